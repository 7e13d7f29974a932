// MD5 and RC4 for the camera, from OpenSSL (independent of the library's own).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace camera {

std::string md5Hex(const uint8_t* data, size_t len);
std::vector<uint8_t> md5Raw(const std::string& text);
// RC4 over the first `len` bytes with a freshly keyed state.
void rc4(const std::string& key, uint8_t* data, size_t len);

}  // namespace camera
