#include "ffmpeg/jpeg_block_coder.h"

#include "ffmpeg/jpeg_fdct.h"
#include "ffmpeg/jpeg_quantization.h"
#include "ffmpeg/jpeg_tables.h"

namespace jpegenc {

namespace {

// Magnitude category: 0 for 0, else the bit length of |value|.
inline int category(int value) {
  const unsigned magnitude = static_cast<unsigned>(value < 0 ? -value : value);
  return magnitude == 0 ? 0 : 32 - __builtin_clz(magnitude);
}

// The category's low bits of value (positive) or of value + 2^category - 1,
// which are the low bits of value - 1. Without a branch: the sign of a noisy
// picture's coefficients is unpredictable (value >> 31 is -1 for a negative
// value with the arithmetic shift of the compilers we build with).
inline uint32_t magnitudeBits(int value, int bits) {
  const int coded = value + (value >> 31);
  return static_cast<uint32_t>(coded) & ((1u << bits) - 1u);
}

// Writes the symbol's code followed by the value's magnitude bits.
inline void putSymbol(JpegBitWriter& writer, const HuffmanCodes& table, int symbol, int value,
                      int bits) {
  writer.putBits((static_cast<uint32_t>(table.code[symbol]) << bits) | magnitudeBits(value, bits),
                 table.length[symbol] + bits);
}

constexpr int kEndOfBlock = 0x00;
constexpr int kZeroRun = 0xF0;

}  // namespace

void JpegBlockCoder::encodeBlock(float samples[64], JpegBitWriter& writer) {
  forwardDctFloat(samples);
  int16_t zigzag[64];
  for (int k = 0; k < 64; ++k) {
    const int natural = kZigzagToNatural[k];
    zigzag[k] = quantize(samples[natural], divisors_[natural]);
  }
  encodeCoefficients(zigzag, writer);
}

void JpegBlockCoder::encodeCoefficients(const int16_t zigzag[64], JpegBitWriter& writer) {
  // Quantised values stay within +-2047 (DC difference) and +-1023 (AC) for
  // 8-bit samples and table entries >= 1, the range the tables cover.
  const int difference = zigzag[0] - predictor_;
  predictor_ = zigzag[0];
  const int dcBits = category(difference);
  putSymbol(writer, *dc_, dcBits, difference, dcBits);

  // Walk the nonzero AC coefficients in zigzag order. A run of r zeros in
  // front of one is coded as r / 16 zero-run codes (16 zeros each) and the
  // (r % 16, size) symbol; zeros after the last one are the end-of-block code.
  uint64_t nonzero = 0;
  for (int k = 1; k < 64; ++k) nonzero |= static_cast<uint64_t>(zigzag[k] != 0) << k;
  int previous = 0;
  while (nonzero != 0) {
    const int k = __builtin_ctzll(nonzero);
    nonzero &= nonzero - 1;
    int run = k - previous - 1;
    for (; run >= 16; run -= 16) putSymbol(writer, *ac_, kZeroRun, 0, 0);
    const int value = zigzag[k];
    const int bits = category(value);
    putSymbol(writer, *ac_, (run << 4) | bits, value, bits);
    previous = k;
  }
  if (previous != 63) putSymbol(writer, *ac_, kEndOfBlock, 0, 0);
}

}  // namespace jpegenc
