// Reads one picture plane as whole 8x8 blocks for the encoder. A half-size
// chroma plane is enlarged by repetition (sample (i, j) comes from (i/2, j/2));
// blocks that reach past the right or bottom edge repeat the last column and
// row of the (enlarged) picture, so pictures of any size code as whole blocks.
#pragma once

#include <cstdint>

namespace jpegenc {

struct JpegPlane {
  const uint8_t* samples;
  int stride;  // bytes between rows of this plane
  int shift;   // 0: full size, 1: half size in both directions
};

// The block at (blockRow, blockCol) of a width x height picture, as samples
// minus 128, row by row.
void loadBlock(const JpegPlane& plane, int width, int height, int blockRow, int blockCol,
               float block[64]);

}  // namespace jpegenc
