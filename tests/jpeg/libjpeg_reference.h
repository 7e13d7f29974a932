// libjpeg-turbo as the reference for our encoder, configured to code what ours
// codes: YCbCr in and out, every component sampled 1x1 and fed the same
// enlarged chroma (sample (i, j) from (i/2, j/2)), baseline tables at the given
// quality, float DCT, no Huffman optimisation.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "test_pictures.h"

namespace libjpeg_reference {

// Turns libjpeg-turbo's SIMD code off for this process (JSIMD_FORCENONE=1);
// must run before the first compression or decompression.
void disableSimd();

std::vector<uint8_t> encode(const I420Picture& picture, int quality);

struct Decoded {
  bool ok = false;
  std::string error;  // libjpeg's message when !ok
  long warnings = 0;
  std::string firstWarning;
  int width = 0;
  int height = 0;
  int components = 0;
  std::vector<uint8_t> pixels;  // interleaved YCbCr, row by row
};

Decoded decode(const std::vector<uint8_t>& jpeg);

// The file with its DHT segments put in order of their class/id byte: two
// files that differ only in the order of their Huffman tables compare equal.
std::vector<uint8_t> withSortedHuffmanTables(const std::vector<uint8_t>& jpeg);

}  // namespace libjpeg_reference
