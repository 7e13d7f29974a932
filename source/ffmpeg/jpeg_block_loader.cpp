#include "ffmpeg/jpeg_block_loader.h"

#include <algorithm>
#include <cstddef>

namespace jpegenc {

void loadBlock(const JpegPlane& plane, int width, int height, int blockRow, int blockCol,
               float block[64]) {
  const int top = blockRow * 8;
  const int left = blockCol * 8;
  if (top + 8 <= height && left + 8 <= width) {  // inside the picture: no edge to repeat
    const uint8_t* line = plane.samples +
                          static_cast<std::ptrdiff_t>(top >> plane.shift) * plane.stride +
                          (left >> plane.shift);
    if (plane.shift == 0) {
      for (int i = 0; i < 8; ++i, line += plane.stride)
        for (int j = 0; j < 8; ++j) block[i * 8 + j] = static_cast<float>(line[j] - 128);
    } else {  // each chroma row serves two rows, each sample two columns
      for (int i = 0; i < 8; i += 2, line += plane.stride) {
        for (int j = 0; j < 8; ++j) {
          const float sample = static_cast<float>(line[j >> 1] - 128);
          block[i * 8 + j] = sample;
          block[i * 8 + 8 + j] = sample;
        }
      }
    }
    return;
  }
  int columns[8];
  for (int j = 0; j < 8; ++j) columns[j] = std::min(left + j, width - 1) >> plane.shift;
  for (int i = 0; i < 8; ++i) {
    const int row = std::min(top + i, height - 1) >> plane.shift;
    const uint8_t* line = plane.samples + static_cast<std::ptrdiff_t>(row) * plane.stride;
    float* out = block + i * 8;
    for (int j = 0; j < 8; ++j) out[j] = static_cast<float>(line[columns[j]] - 128);
  }
}

}  // namespace jpegenc
