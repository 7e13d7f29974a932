#include "switch_values.h"

#include <cerrno>
#include <cstdlib>

namespace rendezvous {

bool parse_long(const std::string& text, long lo, long hi, long* out) {
  if (text.empty()) return false;
  errno = 0;
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (errno != 0 || end == nullptr || *end != '\0' || v < lo || v > hi) return false;
  *out = v;
  return true;
}

}  // namespace rendezvous
