// Reading members of a parsed reply the way every record does: a text member
// is its string value, or empty when it is missing or not a string; a number
// member is its integer value, or 0 when it is missing or not a number. All
// functions accept a null object.
#pragma once

#include <QString>

struct cJSON;

// The member's string (owned by the tree), or nullptr.
const char* json_string(const cJSON* object, const char* key);
QString json_text(const cJSON* object, const char* key);
int json_int(const cJSON* object, const char* key);

// The member when it is an object (or array), else nullptr.
const cJSON* json_object(const cJSON* object, const char* key);
const cJSON* json_array(const cJSON* object, const char* key);

// True when the top-level "status" is the string "ok" (exact).
bool json_status_ok(const cJSON* root);
