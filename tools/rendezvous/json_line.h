// One JSON object per line, for the record of the simulated world and the
// reports of the test device.
#pragma once

#include <string>

namespace rendezvous {

// Builds one JSON object; texts are escaped.
class JsonLine {
 public:
  JsonLine& add(const char* key, const std::string& text);
  JsonLine& add(const char* key, long long number);
  std::string str() const { return "{" + body_ + "}"; }

 private:
  void key(const char* k);
  std::string body_;
};

std::string json_escape(const std::string& text);

}  // namespace rendezvous
