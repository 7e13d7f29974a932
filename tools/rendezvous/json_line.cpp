#include "json_line.h"

#include <cstdio>

namespace rendezvous {

std::string json_escape(const std::string& text) {
  std::string out;
  for (unsigned char ch : text) {
    if (ch == '"' || ch == '\\') {
      out += '\\';
      out += static_cast<char>(ch);
    } else if (ch < 0x20 || ch >= 0x7F) {
      char esc[8];
      std::snprintf(esc, sizeof esc, "\\u%04x", ch);
      out += esc;
    } else {
      out += static_cast<char>(ch);
    }
  }
  return out;
}

void JsonLine::key(const char* k) {
  if (!body_.empty()) body_ += ',';
  body_ += '"';
  body_ += k;
  body_ += "\":";
}

JsonLine& JsonLine::add(const char* k, const std::string& text) {
  key(k);
  body_ += '"' + json_escape(text) + '"';
  return *this;
}

JsonLine& JsonLine::add(const char* k, long long number) {
  key(k);
  body_ += std::to_string(number);
  return *this;
}

}  // namespace rendezvous
