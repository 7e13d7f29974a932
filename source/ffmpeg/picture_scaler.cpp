#include "ffmpeg/picture_scaler.h"

extern "C" {
#include <libswscale/swscale.h>
}

PictureScaler::~PictureScaler() { sws_freeContext(sws_); }

size_t PictureScaler::i420Size(int width, int height) {
  const size_t w = size_t(width), h = size_t(height);
  return w * h + 2 * ((w + 1) / 2) * ((h + 1) / 2);
}

void PictureScaler::fitSize(int width, int height, int shownWidth, int shownHeight, int* outWidth,
                            int* outHeight) {
  *outWidth = width;
  *outHeight = height;
  const int w = shownWidth & ~1, h = shownHeight & ~1;
  if (w < 2 || h < 2 || w >= width || h >= height) return;
  *outWidth = w;
  *outHeight = h;
}

namespace {

// The planes of a packed I420 picture.
void planes(const uint8_t* p, int w, int h, const uint8_t* data[3], int stride[3]) {
  const int cw = (w + 1) / 2, ch = (h + 1) / 2;
  data[0] = p;
  data[1] = p + size_t(w) * size_t(h);
  data[2] = data[1] + size_t(cw) * size_t(ch);
  stride[0] = w;
  stride[1] = stride[2] = cw;
}

}  // namespace

bool PictureScaler::scale(const uint8_t* in, int w, int h, uint8_t* out, int ow, int oh) {
  sws_ = sws_getCachedContext(sws_, w, h, AV_PIX_FMT_YUV420P, ow, oh, AV_PIX_FMT_YUV420P,
                              SWS_BILINEAR, nullptr, nullptr, nullptr);
  if (!sws_) return false;
  const uint8_t* src[3];
  const uint8_t* dst[3];
  int srcStride[3], dstStride[3];
  planes(in, w, h, src, srcStride);
  planes(out, ow, oh, dst, dstStride);
  return sws_scale(sws_, src, srcStride, 0, h, const_cast<uint8_t* const*>(dst), dstStride) == oh;
}
