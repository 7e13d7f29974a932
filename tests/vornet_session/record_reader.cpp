#include "record_reader.h"

#include <cjson/cJSON.h>

#include <fstream>

namespace world_test {

std::string JsonEntry::s(const std::string& key) const {
  const auto it = texts.find(key);
  return it == texts.end() ? std::string() : it->second;
}

long long JsonEntry::n(const std::string& key) const {
  const auto it = numbers.find(key);
  return it == numbers.end() ? -999999 : static_cast<long long>(it->second);
}

bool parse_json_line(const std::string& line, JsonEntry* out) {
  cJSON* root = cJSON_Parse(line.c_str());
  if (root == nullptr) return false;
  const bool object = cJSON_IsObject(root);
  JsonEntry e;
  e.line = line;
  for (const cJSON* item = object ? root->child : nullptr; item != nullptr; item = item->next) {
    if (cJSON_IsString(item)) e.texts[item->string] = item->valuestring;
    if (cJSON_IsNumber(item)) e.numbers[item->string] = item->valuedouble;
  }
  cJSON_Delete(root);
  if (object) *out = e;
  return object;
}

std::vector<JsonEntry> read_json_lines(const std::string& path) {
  std::vector<JsonEntry> all;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    JsonEntry e;
    if (parse_json_line(line, &e)) all.push_back(std::move(e));
  }
  return all;
}

std::vector<JsonEntry> named(const std::vector<JsonEntry>& all, const std::string& name) {
  std::vector<JsonEntry> out;
  for (const auto& e : all)
    if (e.s("name") == name) out.push_back(e);
  return out;
}

}  // namespace world_test
