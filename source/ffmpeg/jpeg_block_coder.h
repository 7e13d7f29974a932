// Coding of one component's 8x8 blocks: forward DCT, quantisation into zigzag
// order, and Huffman coding of the DC difference and the AC run/size symbols.
// Each component keeps its own DC predictor, starting at 0.
#pragma once

#include <cstdint>

#include "ffmpeg/jpeg_bit_writer.h"
#include "ffmpeg/jpeg_huffman.h"

namespace jpegenc {

class JpegBlockCoder {
 public:
  // The tables must outlive the coder.
  JpegBlockCoder(const float* divisors, const HuffmanCodes* dc, const HuffmanCodes* ac)
      : divisors_(divisors), dc_(dc), ac_(ac) {}

  // samples: the block's 64 samples minus 128, row by row; overwritten.
  void encodeBlock(float samples[64], JpegBitWriter& writer);

 private:
  // Huffman codes only: the quantised block in zigzag order.
  void encodeCoefficients(const int16_t zigzag[64], JpegBitWriter& writer);

  const float* divisors_;
  const HuffmanCodes* dc_;
  const HuffmanCodes* ac_;
  int predictor_ = 0;
};

}  // namespace jpegenc
