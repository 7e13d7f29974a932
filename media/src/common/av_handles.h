// Owning handles for FFmpeg objects.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/frame.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <cstring>
#include <memory>

namespace kvmedia {

struct CodecContextFree {
  void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameFree {
  void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketFree {
  void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct SwrFree {
  void operator()(SwrContext* s) const { swr_free(&s); }
};
struct ParserFree {
  void operator()(AVCodecParserContext* p) const { av_parser_close(p); }
};

using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextFree>;
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFree>;
using SwrPtr = std::unique_ptr<SwrContext, SwrFree>;
using ParserPtr = std::unique_ptr<AVCodecParserContext, ParserFree>;

// Opens a decoder for `id` (by name first, so the native decoder wins);
// `configure` may set fields before avcodec_open2. Empty on failure.
template <typename Configure>
CodecContextPtr openDecoder(AVCodecID id, const char* preferredName, Configure configure) {
  const AVCodec* codec = preferredName ? avcodec_find_decoder_by_name(preferredName) : nullptr;
  if (!codec || codec->id != id) codec = avcodec_find_decoder(id);
  if (!codec) return {};
  CodecContextPtr ctx(avcodec_alloc_context3(codec));
  if (!ctx) return {};
  configure(ctx.get());
  if (avcodec_open2(ctx.get(), codec, nullptr) < 0) return {};
  return ctx;
}

// Fills `pkt` with a padded copy of `size` bytes (the decoders may read past
// the end by up to AV_INPUT_BUFFER_PADDING_SIZE). False when out of memory.
inline bool fillPacket(AVPacket* pkt, const uint8_t* data, int size) {
  av_packet_unref(pkt);
  if (av_new_packet(pkt, size) < 0) return false;
  memcpy(pkt->data, data, static_cast<size_t>(size));
  return true;
}

}  // namespace kvmedia
