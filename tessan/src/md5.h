// MD5 message digest (RFC 1321).
#pragma once

#include <cstddef>
#include <cstdint>

namespace tessan {

// Writes the 16-byte digest of `len` bytes at `data` to `out`.
void md5(const void* data, size_t len, uint8_t out[16]);

}  // namespace tessan
