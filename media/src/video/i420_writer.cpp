#include "i420_writer.h"

#include <cstring>

#include "KV_MediaResult.h"

namespace kvmedia {
namespace {

bool isPlanar420(int format) {
  return format == AV_PIX_FMT_YUV420P || format == AV_PIX_FMT_YUVJ420P;
}

uint8_t* copyPlane(uint8_t* dst, const uint8_t* src, int stride, int w, int h) {
  for (int y = 0; y < h; ++y) {
    memcpy(dst, src + static_cast<ptrdiff_t>(y) * stride, static_cast<size_t>(w));
    dst += w;
  }
  return dst;
}

}  // namespace

size_t i420Size(int width, int height) {
  const size_t w = static_cast<size_t>(width);
  const size_t h = static_cast<size_t>(height);
  return w * h + 2 * ((w + 1) / 2) * ((h + 1) / 2);
}

const AVFrame* I420Writer::converted(const AVFrame* f) {
  if (isPlanar420(f->format)) return f;
  if (!scratch_) return nullptr;
  if (scratch_->width != f->width || scratch_->height != f->height || !scratch_->data[0]) {
    av_frame_unref(scratch_.get());
    scratch_->format = AV_PIX_FMT_YUV420P;
    scratch_->width = f->width;
    scratch_->height = f->height;
    if (av_frame_get_buffer(scratch_.get(), 0) < 0) return nullptr;
  }
  // Same scaler settings as the ffmpeg command line's default.
  sws_ = sws_getCachedContext(sws_, f->width, f->height, static_cast<AVPixelFormat>(f->format),
                              f->width, f->height, AV_PIX_FMT_YUV420P, SWS_BICUBIC, nullptr,
                              nullptr, nullptr);
  if (!sws_) return nullptr;
  if (sws_scale(sws_, f->data, f->linesize, 0, f->height, scratch_->data, scratch_->linesize) !=
      f->height)
    return nullptr;
  return scratch_.get();
}

int I420Writer::write(const AVFrame* frame, uint8_t* out, size_t capacity) {
  if (frame->width <= 0 || frame->height <= 0) return KV_MEDIA_ERR_DATA;
  const size_t need = i420Size(frame->width, frame->height);
  if (need > capacity || need > static_cast<size_t>(INT32_MAX)) return KV_MEDIA_ERR_CAPACITY;
  const AVFrame* src = converted(frame);
  if (!src) return KV_MEDIA_ERR_UNSUPPORTED;
  const int cw = (src->width + 1) / 2;
  const int ch = (src->height + 1) / 2;
  uint8_t* p = copyPlane(out, src->data[0], src->linesize[0], src->width, src->height);
  p = copyPlane(p, src->data[1], src->linesize[1], cw, ch);
  copyPlane(p, src->data[2], src->linesize[2], cw, ch);
  return static_cast<int>(need);
}

}  // namespace kvmedia
