#include "ffmpeg/jpeg_quantization.h"

namespace jpegenc {

int qualityScale(int quality) {
  if (quality <= 0) return 5000;
  if (quality > 100) return 0;
  if (quality < 50) return 5000 / quality;
  return 200 - quality * 2;
}

void scaleQuantTable(const uint8_t base[64], int scale, uint8_t scaled[64]) {
  for (int i = 0; i < 64; ++i) {
    long value = (static_cast<long>(base[i]) * scale + 50) / 100;
    if (value < 1) value = 1;
    if (value > 255) value = 255;
    scaled[i] = static_cast<uint8_t>(value);
  }
}

void quantDivisors(const uint8_t table[64], float divisors[64]) {
  static const double kAanScale[8] = {1.0,         1.387039845, 1.306562965, 1.175875602,
                                      1.0,         0.785694958, 0.541196100, 0.275899379};
  for (int row = 0; row < 8; ++row) {
    for (int col = 0; col < 8; ++col) {
      const int i = row * 8 + col;
      divisors[i] = static_cast<float>(
          1.0 / (static_cast<double>(table[i]) * kAanScale[row] * kAanScale[col] * 8.0));
    }
  }
}

}  // namespace jpegenc
