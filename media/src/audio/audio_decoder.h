// One AAC decoder behind a KV_AudioCodec handle: ADTS in, interleaved signed
// 16-bit PCM out, at the sample rate asked for at creation and with the
// stream's own channel count.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "av_handles.h"

namespace kvmedia {

class AudioDecoder {
 public:
  // See KVAudio_Create for the meaning of sampleRate (<= 0: the stream's
  // own). Empty on failure.
  static std::unique_ptr<AudioDecoder> create(int sampleRate);
  AudioDecoder(const AudioDecoder&) = delete;
  AudioDecoder& operator=(const AudioDecoder&) = delete;
  ~AudioDecoder() { av_channel_layout_uninit(&inLayout_); }

  // See KVAudio_Decode.
  int decode(const uint8_t* data, int size, uint8_t* out, int capacity, int* outLength);

 private:
  explicit AudioDecoder(int sampleRate) : wantRate_(sampleRate) {}
  // (Re)configures the converter for the decoded frame's format.
  bool prepareConverter(const AVFrame* f);
  // Appends the converted samples of `f` to pcm_.
  bool convert(const AVFrame* f);

  int wantRate_;
  CodecContextPtr ctx_;
  FramePtr frame_{av_frame_alloc()};
  PacketPtr packet_{av_packet_alloc()};
  SwrPtr swr_;
  int inRate_ = 0;
  int inFormat_ = -1;
  AVChannelLayout inLayout_{};  // also the output's channels
  std::vector<uint8_t> pcm_;
};

}  // namespace kvmedia
