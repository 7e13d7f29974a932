#include "ffmpeg/jpeg_fdct.h"

namespace jpegenc {

namespace {

// One 8-point pass over the samples at p[0], p[stride], ..., p[7 * stride].
inline void dct8(float* p, int stride) {
  float* const d0 = p;
  float* const d1 = p + stride;
  float* const d2 = p + 2 * stride;
  float* const d3 = p + 3 * stride;
  float* const d4 = p + 4 * stride;
  float* const d5 = p + 5 * stride;
  float* const d6 = p + 6 * stride;
  float* const d7 = p + 7 * stride;

  const float tmp0 = *d0 + *d7;
  const float tmp7 = *d0 - *d7;
  const float tmp1 = *d1 + *d6;
  const float tmp6 = *d1 - *d6;
  const float tmp2 = *d2 + *d5;
  const float tmp5 = *d2 - *d5;
  const float tmp3 = *d3 + *d4;
  const float tmp4 = *d3 - *d4;

  // Even part.
  float tmp10 = tmp0 + tmp3;
  const float tmp13 = tmp0 - tmp3;
  float tmp11 = tmp1 + tmp2;
  float tmp12 = tmp1 - tmp2;

  *d0 = tmp10 + tmp11;
  *d4 = tmp10 - tmp11;

  const float z1 = (tmp12 + tmp13) * 0.707106781f;
  *d2 = tmp13 + z1;
  *d6 = tmp13 - z1;

  // Odd part.
  tmp10 = tmp4 + tmp5;
  tmp11 = tmp5 + tmp6;
  tmp12 = tmp6 + tmp7;

  const float z5 = (tmp10 - tmp12) * 0.382683433f;
  const float z2 = 0.541196100f * tmp10 + z5;
  const float z4 = 1.306562965f * tmp12 + z5;
  const float z3 = tmp11 * 0.707106781f;

  const float z11 = tmp7 + z3;
  const float z13 = tmp7 - z3;

  *d5 = z13 + z2;
  *d3 = z13 - z2;
  *d1 = z11 + z4;
  *d7 = z11 - z4;
}

}  // namespace

void forwardDctFloat(float block[64]) {
  for (int row = 0; row < 8; ++row) dct8(block + row * 8, 1);
  for (int col = 0; col < 8; ++col) dct8(block + col, 8);
}

}  // namespace jpegenc
