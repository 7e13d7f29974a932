// Writes a decoded picture as tightly packed I420 into a caller's buffer.
#pragma once

#include <cstddef>
#include <cstdint>

#include "av_handles.h"

namespace kvmedia {

// Bytes of a w x h I420 picture (chroma rounded up).
size_t i420Size(int width, int height);

class I420Writer {
 public:
  I420Writer() = default;
  I420Writer(const I420Writer&) = delete;
  I420Writer& operator=(const I420Writer&) = delete;
  ~I420Writer() { sws_freeContext(sws_); }

  // yuv420p / yuvj420p are copied as they are; every other format is
  // converted first. Returns the bytes written, or a negative KV_MEDIA_ERR_*
  // (KV_MEDIA_ERR_CAPACITY when the picture does not fit: nothing is written).
  int write(const AVFrame* frame, uint8_t* out, size_t capacity);

 private:
  const AVFrame* converted(const AVFrame* frame);

  SwsContext* sws_ = nullptr;  // cached context, owned
  FramePtr scratch_{av_frame_alloc()};
};

}  // namespace kvmedia
