#include "av_frame_bytes.h"

#include <cstddef>

namespace testsupport {

namespace {

void put(std::vector<uint8_t>& b, std::size_t at, uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) b[at + std::size_t(i)] = uint8_t(v >> (8 * i));
}

}  // namespace

std::vector<uint8_t> avFrameBytes(int codec, int width, int height, uint64_t timeStamp, int flag,
                                  int fps, const std::vector<uint8_t>& payload) {
  std::vector<uint8_t> f(48, 0);
  f[0] = 'H', f[1] = 'H', f[2] = '0', f[3] = '2';
  f[4] = 127;
  put(f, 6, uint64_t(codec), 2);
  put(f, 8, uint64_t(width), 2);
  put(f, 10, uint64_t(height), 2);
  put(f, 12, payload.size(), 4);
  put(f, 16, timeStamp, 8);
  f[24] = uint8_t(flag);
  f[25] = uint8_t(fps);
  f.insert(f.end(), payload.begin(), payload.end());
  return f;
}

}  // namespace testsupport
