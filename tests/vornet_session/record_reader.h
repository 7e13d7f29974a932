// Reads JSON lines (the rendezvous record, the device's reports).
#pragma once

#include <map>
#include <string>
#include <vector>

namespace world_test {

struct JsonEntry {
  std::map<std::string, std::string> texts;
  std::map<std::string, double> numbers;
  std::string line;

  std::string s(const std::string& key) const;  // "" when absent
  long long n(const std::string& key) const;    // -999999 when absent
  bool has(const std::string& key) const { return texts.count(key) || numbers.count(key); }
};

// false when the line is not one flat JSON object.
bool parse_json_line(const std::string& line, JsonEntry* out);
std::vector<JsonEntry> read_json_lines(const std::string& path);
// Entries whose "name" (message) is `name`.
std::vector<JsonEntry> named(const std::vector<JsonEntry>& all, const std::string& name);

}  // namespace world_test
