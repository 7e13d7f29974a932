// A parsed cJSON tree that frees itself.
#pragma once

#include <cJSON.h>

#include <memory>

struct JsonTreeDeleter {
  void operator()(cJSON* p) const { cJSON_Delete(p); }
};
using JsonTreePtr = std::unique_ptr<cJSON, JsonTreeDeleter>;

inline JsonTreePtr parseJson(const char* text) { return JsonTreePtr(cJSON_Parse(text)); }
