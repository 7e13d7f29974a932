// Number values of command-line switches, checked strictly.
#pragma once

#include <string>

namespace rendezvous {

// Decimal integer in [lo, hi], the whole text; false otherwise.
bool parse_long(const std::string& text, long lo, long hi, long* out);

}  // namespace rendezvous
