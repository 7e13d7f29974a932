#include "http_command/json_fields.h"

#include <cJSON.h>

#include <cstring>

namespace {

const cJSON* member(const cJSON* object, const char* key) {
  return cJSON_IsObject(object) ? cJSON_GetObjectItemCaseSensitive(object, key) : nullptr;
}

}  // namespace

const char* json_string(const cJSON* object, const char* key) {
  const cJSON* item = member(object, key);
  return cJSON_IsString(item) ? item->valuestring : nullptr;
}

QString json_text(const cJSON* object, const char* key) {
  const char* text = json_string(object, key);
  return text ? QString::fromUtf8(text) : QString();
}

int json_int(const cJSON* object, const char* key) {
  const cJSON* item = member(object, key);
  return cJSON_IsNumber(item) ? item->valueint : 0;
}

const cJSON* json_object(const cJSON* object, const char* key) {
  const cJSON* item = member(object, key);
  return cJSON_IsObject(item) ? item : nullptr;
}

const cJSON* json_array(const cJSON* object, const char* key) {
  const cJSON* item = member(object, key);
  return cJSON_IsArray(item) ? item : nullptr;
}

bool json_status_ok(const cJSON* root) {
  const char* status = json_string(root, "status");
  return status && std::strcmp(status, "ok") == 0;
}
