#include "parameter_sets_check.h"

#include "av_handles.h"

namespace kvmedia {

bool parameterSetsDecode(AVCodecID codec, const uint8_t* data, size_t size) {
  if (!data || size == 0 || size > INT32_MAX) return false;
  CodecContextPtr ctx = openDecoder(codec, codec == AV_CODEC_ID_H264 ? "h264" : "hevc", [](AVCodecContext* c) {
    c->thread_count = 1;
    c->err_recognition |= AV_EF_EXPLODE;  // a set that does not parse fails the packet
    c->skip_frame = AVDISCARD_NONREF;     // parameter sets alone: no picture is missing
  });
  PacketPtr pkt(av_packet_alloc());
  if (!ctx || !pkt || !fillPacket(pkt.get(), data, static_cast<int>(size))) return false;
  return avcodec_send_packet(ctx.get(), pkt.get()) >= 0;
}

}  // namespace kvmedia
