#include "video_decoder.h"

#include <algorithm>
#include <new>
#include <thread>

#include "KV_MediaResult.h"

namespace kvmedia {

int VideoDecoder::threadsForSlices(size_t slices) {
  const size_t cores = std::max(1u, std::thread::hardware_concurrency());
  return static_cast<int>(std::clamp<size_t>(slices, 1, std::min<size_t>(cores, kMaxThreads)));
}

std::unique_ptr<VideoDecoder> VideoDecoder::create(annexb::Codec codec) {
  std::unique_ptr<VideoDecoder> d(new (std::nothrow) VideoDecoder(codec));
  if (!d || !d->frame_ || !d->packet_ || !d->reopen(codec)) return nullptr;
  return d;
}

bool VideoDecoder::reopen(annexb::Codec codec) {
  ctx_.reset();
  const bool h264 = codec == annexb::Codec::H264;
  if (!h264 && codec != annexb::Codec::H265) return false;
  // Slice threads only: frame threading would hold pictures back by several
  // access units and lose the last ones, but every call must give its picture.
  const int threads = threads_;
  ctx_ = openDecoder(h264 ? AV_CODEC_ID_H264 : AV_CODEC_ID_HEVC, h264 ? "h264" : "hevc",
                     [threads](AVCodecContext* c) {
                       c->thread_type = FF_THREAD_SLICE;
                       c->thread_count = threads;
                       c->flags |= AV_CODEC_FLAG_LOW_DELAY;
                       c->max_pixels = VideoDecoder::kMaxPixels;
                     });
  codec_ = codec;
  return ctx_ != nullptr;
}

bool VideoDecoder::followStream(const uint8_t* data, int size, int w, int h) {
  bool restart = !ctx_;
  annexb::Codec codec = codec_;
  const annexb::Codec seen = annexb::sniffParameterSets(data, static_cast<size_t>(size));
  if (seen != annexb::Codec::Unknown && seen != codec_) {
    codec = seen;
    restart = true;
  }
  if (seen != annexb::Codec::Unknown) {
    // A key picture: the threads follow how many slices it has.
    const int threads = threadsForSlices(annexb::sliceCount(seen, data, static_cast<size_t>(size)));
    if (threads != threads_) {
      threads_ = threads;
      restart = true;
    }
  }
  if (w > 0 && h > 0) {
    if (announcedW_ > 0 && (w != announcedW_ || h != announcedH_)) restart = true;
    announcedW_ = w;
    announcedH_ = h;
  }
  return restart ? reopen(codec) : true;
}

int VideoDecoder::decode(const uint8_t* data, int size, uint8_t* out, int capacity,
                         int* outLength, int* width, int* height) {
  *outLength = 0;
  if (!followStream(data, size, *width, *height)) return KV_MEDIA_ERR_UNSUPPORTED;
  if (!fillPacket(packet_.get(), data, size)) return KV_MEDIA_ERR_NOMEM;

  int rc = avcodec_send_packet(ctx_.get(), packet_.get());
  // A picture from an earlier access unit is still waiting (one unit held
  // two): hand that out now and queue this unit behind it.
  const bool sendAgain = rc == AVERROR(EAGAIN);
  if (rc < 0 && !sendAgain) return rc == AVERROR(ENOMEM) ? KV_MEDIA_ERR_NOMEM : KV_MEDIA_ERR_DATA;
  rc = avcodec_receive_frame(ctx_.get(), frame_.get());
  if (rc == AVERROR(EAGAIN)) return 0;
  if (rc < 0) return KV_MEDIA_ERR_DATA;

  const int written = writer_.write(frame_.get(), out, static_cast<size_t>(capacity));
  if (written > 0) {
    *outLength = written;
    *width = frame_->width;
    *height = frame_->height;
  }
  if (sendAgain) avcodec_send_packet(ctx_.get(), packet_.get());
  av_frame_unref(frame_.get());
  return written;
}

}  // namespace kvmedia
