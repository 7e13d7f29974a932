// An audio/video frame as the device link hands it to the A/V callback:
// the 48-byte AV_HEAD ("HH02", little-endian) and the payload behind it.
#pragma once

#include <cstdint>
#include <vector>

namespace testsupport {

std::vector<uint8_t> avFrameBytes(int codec, int width, int height, uint64_t timeStamp, int flag,
                                  int fps, const std::vector<uint8_t>& payload);

}  // namespace testsupport
