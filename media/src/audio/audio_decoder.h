// One AAC decoder behind a KV_AudioCodec handle: ADTS in, interleaved signed
// 16-bit PCM out, in the sample rate and channel count asked for at creation.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "av_handles.h"

namespace kvmedia {

class AudioDecoder {
 public:
  // See KVAudio_Create for the meaning of sampleRate and channels (<= 0: the
  // stream's own). Empty on failure.
  static std::unique_ptr<AudioDecoder> create(int sampleRate, int channels);
  AudioDecoder(const AudioDecoder&) = delete;
  AudioDecoder& operator=(const AudioDecoder&) = delete;
  ~AudioDecoder() { av_channel_layout_uninit(&inLayout_); }

  // See KVAudio_Decode.
  int decode(const uint8_t* data, int size, uint8_t* out, int capacity, int* outLength);

 private:
  AudioDecoder(int sampleRate, int channels) : wantRate_(sampleRate), wantChannels_(channels) {}
  // (Re)configures the converter for the decoded frame's format.
  bool prepareConverter(const AVFrame* f);
  // Appends the converted samples of `f` to pcm_.
  bool convert(const AVFrame* f);

  int wantRate_;
  int wantChannels_;
  CodecContextPtr ctx_;
  FramePtr frame_{av_frame_alloc()};
  PacketPtr packet_{av_packet_alloc()};
  SwrPtr swr_;
  int inRate_ = 0;
  int inFormat_ = -1;
  AVChannelLayout inLayout_{};
  int outRate_ = 0;
  int outChannels_ = 0;
  std::vector<uint8_t> pcm_;
};

}  // namespace kvmedia
