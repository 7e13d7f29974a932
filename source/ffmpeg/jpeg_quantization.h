// Quantisation of the JPEG encoder: quality to table scaling, the scaled
// tables written to the DQT segments, and the float divisors that fold the
// scaling of the AAN DCT into the quantiser.
#pragma once

#include <cstdint>

namespace jpegenc {

// Percentage scale of the base tables for a quality: <= 0 gives 5000, > 100
// gives 0, below 50 gives 5000 / quality, else 200 - 2 x quality.
int qualityScale(int quality);

// (base x scale + 50) / 100, clamped to 1..255; natural order in and out.
void scaleQuantTable(const uint8_t base[64], int scale, uint8_t scaled[64]);

// Multipliers for the AAN DCT output, natural order:
// 1 / (q[r][c] x s[r] x s[c] x 8), with s the AAN scale factors.
void quantDivisors(const uint8_t table[64], float divisors[64]);

// Quantised value of one DCT output: rounded to nearest, halves upward.
inline int16_t quantize(float coefficient, float divisor) {
  return static_cast<int16_t>(static_cast<int>(coefficient * divisor + 16384.5f) - 16384);
}

}  // namespace jpegenc
