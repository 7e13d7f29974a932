// One H.264/H.265 decoder behind a KV_VideoCodec handle.
#pragma once

#include <cstdint>
#include <memory>

#include "annexb.h"
#include "av_handles.h"
#include "i420_writer.h"

namespace kvmedia {

class VideoDecoder {
 public:
  // Largest picture accepted (4096 x 2304 luma samples); bigger streams are
  // refused before the decoder allocates for them.
  static constexpr int64_t kMaxPixels = 4096LL * 2304;

  // Empty when the codec is neither H.264 nor H.265 or FFmpeg cannot open it.
  static std::unique_ptr<VideoDecoder> create(annexb::Codec codec);

  // Decoding threads: one for a picture coded as one slice (slice threads
  // would have nothing to share, frame threads would hold pictures back);
  // as many as the stream's key pictures have slices otherwise, up to the
  // machine's cores and at most kMaxThreads. Decided again at every key
  // picture (the decoder starts afresh there when the count changes).
  static constexpr int kMaxThreads = 4;
  static int threadsForSlices(size_t slices);
  int threadCount() const { return threads_; }

  // See KVVideo_Decode. `width`/`height` in: announced size, out: decoded size.
  int decode(const uint8_t* data, int size, uint8_t* out, int capacity, int* outLength,
             int* width, int* height);

 private:
  explicit VideoDecoder(annexb::Codec codec) : codec_(codec) {}
  bool reopen(annexb::Codec codec);
  // Restarts the decoder when the stream switched codec or announced size.
  bool followStream(const uint8_t* data, int size, int announcedW, int announcedH);

  annexb::Codec codec_;
  CodecContextPtr ctx_;
  FramePtr frame_{av_frame_alloc()};
  PacketPtr packet_{av_packet_alloc()};
  I420Writer writer_;
  int threads_ = 1;
  int announcedW_ = 0;
  int announcedH_ = 0;
};

}  // namespace kvmedia
