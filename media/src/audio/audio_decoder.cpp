#include "audio_decoder.h"

#include <cstring>
#include <new>

#include "KV_MediaResult.h"
#include "adts.h"

namespace kvmedia {

std::unique_ptr<AudioDecoder> AudioDecoder::create(int sampleRate) {
  std::unique_ptr<AudioDecoder> d(new (std::nothrow) AudioDecoder(sampleRate));
  if (!d || !d->frame_ || !d->packet_) return nullptr;
  d->ctx_ = openDecoder(AV_CODEC_ID_AAC, "aac", [](AVCodecContext*) {});
  if (!d->ctx_) return nullptr;
  return d;
}

bool AudioDecoder::prepareConverter(const AVFrame* f) {
  if (swr_ && f->sample_rate == inRate_ && f->format == inFormat_ &&
      av_channel_layout_compare(&f->ch_layout, &inLayout_) == 0)
    return true;
  swr_.reset();
  inRate_ = f->sample_rate;
  inFormat_ = f->format;
  av_channel_layout_uninit(&inLayout_);
  if (av_channel_layout_copy(&inLayout_, &f->ch_layout) < 0) return false;
  const int outRate = wantRate_ > 0 ? wantRate_ : inRate_;
  // The channels stay as coded: that is what the sender announces and what
  // the sound output is opened with.
  AVChannelLayout outLayout{};
  av_channel_layout_default(&outLayout, inLayout_.nb_channels);
  SwrContext* s = nullptr;
  const int rc = swr_alloc_set_opts2(&s, &outLayout, AV_SAMPLE_FMT_S16, outRate, &inLayout_,
                                     static_cast<AVSampleFormat>(inFormat_), inRate_, 0, nullptr);
  av_channel_layout_uninit(&outLayout);
  swr_.reset(s);
  if (rc >= 0 && swr_init(swr_.get()) >= 0) return true;
  swr_.reset();  // configure again with the next frame
  return false;
}

bool AudioDecoder::convert(const AVFrame* f) {
  if (!prepareConverter(f)) return false;
  const int maxOut = swr_get_out_samples(swr_.get(), f->nb_samples);
  if (maxOut < 0) return false;
  const size_t frameBytes = static_cast<size_t>(inLayout_.nb_channels) * 2;  // s16, channels as coded
  const size_t old = pcm_.size();
  pcm_.resize(old + static_cast<size_t>(maxOut) * frameBytes);
  uint8_t* dst = pcm_.data() + old;
  const int got = swr_convert(swr_.get(), &dst, maxOut, const_cast<const uint8_t**>(f->extended_data),
                              f->nb_samples);
  if (got < 0) {
    pcm_.resize(old);
    return false;
  }
  pcm_.resize(old + static_cast<size_t>(got) * frameBytes);
  return true;
}

int AudioDecoder::decode(const uint8_t* data, int size, uint8_t* out, int capacity, int* outLength) {
  *outLength = 0;
  // Without a configuration record the decoder only understands ADTS.
  const auto header = adts::parse(data, static_cast<size_t>(size));
  if (!header) return KV_MEDIA_ERR_DATA;
  if (!fillPacket(packet_.get(), data, size)) return KV_MEDIA_ERR_NOMEM;
  // The sender's header carries a fixed 8 kHz sampling index whatever the
  // camera runs at; the rate announced at creation is the true one, and
  // decoding with the wrong index's band tables gives noise.
  const int index = adts::frequencyIndex(wantRate_);
  if (index >= 0 && index != header->frequencyIndex)
    packet_->data[2] = static_cast<uint8_t>((packet_->data[2] & ~0x3C) | (index << 2));
  if (avcodec_send_packet(ctx_.get(), packet_.get()) < 0) return KV_MEDIA_ERR_DATA;

  pcm_.clear();
  for (;;) {
    const int rc = avcodec_receive_frame(ctx_.get(), frame_.get());
    if (rc == AVERROR(EAGAIN)) break;
    if (rc < 0) return KV_MEDIA_ERR_DATA;
    const bool ok = convert(frame_.get());
    av_frame_unref(frame_.get());
    if (!ok) return KV_MEDIA_ERR_UNSUPPORTED;
  }
  if (pcm_.size() > static_cast<size_t>(capacity)) return KV_MEDIA_ERR_CAPACITY;
  if (!pcm_.empty()) memcpy(out, pcm_.data(), pcm_.size());
  *outLength = static_cast<int>(pcm_.size());
  return *outLength;
}

}  // namespace kvmedia
