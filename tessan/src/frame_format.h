// Fixed sizes and little-endian fields of the link's frames, shared by the
// send path and the frame cutter.
#pragma once

#include <cstddef>
#include <cstdint>

#include "Tessan.h"

namespace tessan {

constexpr size_t kHead = sizeof(MSG_HEAD);  // HH01 / HH02 / HH03 header (AV_HEAD is as long)
constexpr size_t kCipherSpan = 2048;        // A/V and channel-1 payload bytes covered by RC4

inline uint16_t loadLe16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

inline uint32_t loadLe32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

inline void storeLe16(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}

inline void storeLe32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

}  // namespace tessan
