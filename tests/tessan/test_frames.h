// Builders for the device-link byte stream, written from the frame tables
// (little-endian fields at fixed offsets), independent of the library's code.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace frames {

using Bytes = std::vector<uint8_t>;

inline void put(Bytes& b, size_t off, uint64_t v, int width) {
  for (int i = 0; i < width; ++i) b[off + size_t(i)] = uint8_t(v >> (8 * i));
}

inline Bytes payload(size_t n, uint8_t seed) {
  Bytes p(n);
  for (size_t i = 0; i < n; ++i) p[i] = uint8_t(seed + i * 13);
  return p;
}

// "HH01" message: type at 6, length at 8, name at 12, frame type at 30.
inline Bytes hh01(uint16_t type, const Bytes& body, const std::string& name = "", uint8_t frameType = 127) {
  Bytes f(48, 0);
  std::memcpy(f.data(), "HH01", 4);
  put(f, 6, type, 2);
  put(f, 8, body.size(), 4);
  std::memcpy(f.data() + 12, name.data(), std::min<size_t>(name.size(), 18));
  f[30] = frameType;
  f.insert(f.end(), body.begin(), body.end());
  return f;
}

struct AvFields {
  uint16_t codec = 2;
  uint16_t width = 640, height = 360;
  uint64_t timestamp = 0;
  uint8_t flag = 0, fps = 25;
};

// "HH02" frame: length at 12.
inline Bytes hh02(const Bytes& body, const AvFields& a = AvFields{}) {
  Bytes f(48, 0);
  std::memcpy(f.data(), "HH02", 4);
  f[4] = 127;
  put(f, 6, a.codec, 2);
  put(f, 8, a.width, 2);
  put(f, 10, a.height, 2);
  put(f, 12, body.size(), 4);
  put(f, 16, a.timestamp, 8);
  f[24] = a.flag;
  f[25] = a.fps;
  f.insert(f.end(), body.begin(), body.end());
  return f;
}

// "HH03" frame: the library takes its length from offset 8.
inline Bytes hh03(const Bytes& body) {
  Bytes f(48, 0);
  std::memcpy(f.data(), "HH03", 4);
  put(f, 8, body.size(), 4);
  f.insert(f.end(), body.begin(), body.end());
  return f;
}

// Length-prefixed frame: 24-bit length, type in the top byte.
inline Bytes prefixed(uint8_t type, const Bytes& body) {
  Bytes f(4, 0);
  put(f, 0, body.size() | uint32_t(type) << 24, 4);
  f.insert(f.end(), body.begin(), body.end());
  return f;
}

inline std::string hex(const uint8_t* p, size_t n) {
  static const char* d = "0123456789abcdef";
  std::string s;
  for (size_t i = 0; i < n; ++i) {
    s += d[p[i] >> 4];
    s += d[p[i] & 15];
  }
  return s;
}

inline void append(Bytes& to, const Bytes& from) { to.insert(to.end(), from.begin(), from.end()); }

}  // namespace frames
