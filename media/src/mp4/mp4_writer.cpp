#include "mp4_writer.h"

#include <cerrno>
#include <cstring>

#include "KV_MP4.h"
#include "adts.h"
#include "parameter_sets_check.h"
#include "picture_size.h"
#include "private_output.h"

namespace kvmedia {
namespace {

constexpr AVRational kMilliseconds{1, 1000};
constexpr int64_t kDefaultFrameMs = 40;
constexpr int kAacFrameSamples = 1024;
// Fragment per key frame, moov up front without samples, fragments self-contained.
constexpr const char* kMovFlags = "frag_keyframe+empty_moov+delay_moov+default_base_moof";
// A fragment is also cut after this many microseconds, for senders with long
// (or no further) key frame intervals: it bounds both the memory a fragment
// takes and what a crash can lose.
constexpr const char* kMaxFragmentUs = "10000000";

bool setExtradata(AVCodecParameters* par, const uint8_t* data, size_t size) {
  av_freep(&par->extradata);
  par->extradata_size = 0;
  par->extradata = static_cast<uint8_t*>(av_mallocz(size + AV_INPUT_BUFFER_PADDING_SIZE));
  if (!par->extradata) return false;
  memcpy(par->extradata, data, size);
  par->extradata_size = static_cast<int>(size);
  return true;
}

// channel_configuration for a channel count (1-6 map directly).
int channelConfig(int channels) { return channels >= 1 && channels <= 6 ? channels : -1; }

}  // namespace

int Mp4Writer::fail(int rc) {
  state_ = State::Failed;
  return rc;
}

int Mp4Writer::ioFailure(int averror) {
  // FFmpeg's I/O errors are negated errno values; anything else is EIO.
  errno_ = averror < 0 && averror > -4096 ? -averror : averror == 0 ? ENOSPC : EIO;
  return fail(KV_MEDIA_ERR_IO);
}

bool Mp4Writer::onDisk() {
  if (!fc_ || !fc_->pb) return false;
  const int64_t written = avio_tell(fc_->pb);
  if (written == wholeSize_) return true;
  // A full disk takes part of a write and says nothing: look at the file.
  if (output_.sizeOnDisk() < written) return false;
  wholeSize_ = written;
  return true;
}

bool Mp4Writer::addVideoStream(int videoCodec, int width, int height) {
  videoCodec_ = videoCodec == E_CODECID_VIDEO_H264 ? annexb::Codec::H264 : annexb::Codec::H265;
  video_ = avformat_new_stream(fc_, nullptr);
  if (!video_) return false;
  AVCodecParameters* par = video_->codecpar;
  par->codec_type = AVMEDIA_TYPE_VIDEO;
  par->codec_id = videoCodec_ == annexb::Codec::H264 ? AV_CODEC_ID_H264 : AV_CODEC_ID_HEVC;
  par->width = width > 0 ? width : 0;
  par->height = height > 0 ? height : 0;
  video_->time_base = kMilliseconds;
  return true;
}

bool Mp4Writer::addAudioStream(int rate, int channels) {
  audio_ = avformat_new_stream(fc_, nullptr);
  if (!audio_) return false;
  AVCodecParameters* par = audio_->codecpar;
  par->codec_type = AVMEDIA_TYPE_AUDIO;
  par->codec_id = AV_CODEC_ID_AAC;
  par->sample_rate = rate;
  par->frame_size = kAacFrameSamples;
  av_channel_layout_default(&par->ch_layout, channels);
  audio_->time_base = AVRational{1, rate};
  const auto asc = adts::audioSpecificConfig(2, adts::frequencyIndex(rate), channelConfig(channels));
  return setExtradata(par, asc.data(), asc.size());
}

int Mp4Writer::open(const char* path, int width, int height, int videoCodec, int audioRate,
                    int audioChannels, int audioCodec) {
  if (state_ != State::Closed) return KV_MEDIA_ERR_STATE;
  if (!path || !*path) return KV_MEDIA_ERR_ARG;
  if (!pending_ || !packet_) return KV_MEDIA_ERR_NOMEM;
  const bool wantVideo = videoCodec == E_CODECID_VIDEO_H264 || videoCodec == E_CODECID_VIDEO_H265;
  // An audio track needs a rate and channel count AAC can describe; without
  // them the file is recorded without sound rather than not at all.
  const bool wantAudio = audioCodec == E_CODECID_AUDIO_AAC && adts::frequencyIndex(audioRate) >= 0 &&
                         channelConfig(audioChannels) > 0;
  if (!wantVideo && !wantAudio) return KV_MEDIA_ERR_ARG;

  if (avformat_alloc_output_context2(&fc_, nullptr, "mp4", nullptr) < 0 || !fc_) {
    fc_ = nullptr;
    return KV_MEDIA_ERR_NOMEM;
  }
  if ((wantVideo && !addVideoStream(videoCodec, width, height)) ||
      (wantAudio && !addAudioStream(audioRate, audioChannels))) {
    release();
    return KV_MEDIA_ERR_NOMEM;
  }
  // A new private file, written through its own descriptor: an existing
  // name (a file, a link) is refused with EEXIST and left as it is.
  const int opened = output_.create(path);
  if (opened < 0) {
    release();
    ioFailure(opened);
    state_ = State::Closed;
    return KV_MEDIA_ERR_IO;
  }
  fc_->pb = output_.context();
  fc_->flags |= AVFMT_FLAG_CUSTOM_IO;
  state_ = State::AwaitingKey;
  errno_ = 0;
  wholeSize_ = headerSize_ = 0;
  if (!video_) {
    const int rc = writeHeader();
    if (rc < 0) {
      output_.removeName();
      release();
      state_ = State::Closed;
      return rc;
    }
    state_ = State::Writing;
  }
  return KV_MEDIA_OK;
}

int Mp4Writer::writeHeader() {
  AVDictionary* opts = nullptr;
  av_dict_set(&opts, "movflags", kMovFlags, 0);
  av_dict_set(&opts, "frag_duration", kMaxFragmentUs, 0);
  fc_->flush_packets = 1;  // every fragment reaches the disk as soon as it is cut
  const int rc = avformat_write_header(fc_, &opts);
  av_dict_free(&opts);
  if (rc < 0) return ioFailure(rc);
  headerWritten_ = true;
  if (!onDisk()) return ioFailure(0);
  headerSize_ = wholeSize_;
  return KV_MEDIA_OK;
}

int Mp4Writer::startWithKeyFrame(const uint8_t* data, int size, uint32_t ts) {
  const auto ps = annexb::parameterSets(videoCodec_, data, static_cast<size_t>(size));
  AVCodecParameters* par = video_->codecpar;
  if (ps.empty() || !parameterSetsDecode(par->codec_id, ps.data(), ps.size())) return KV_MEDIA_ERR_DATA;
  // The parameter sets' size wins over the announced one.
  int w = 0, h = 0;
  if (probePictureSize(par->codec_id, data, size, &w, &h)) {
    par->width = w;
    par->height = h;
  }
  if (par->width <= 0 || par->height <= 0) return KV_MEDIA_ERR_DATA;
  if (!setExtradata(par, ps.data(), ps.size())) return KV_MEDIA_ERR_NOMEM;
  const int rc = writeHeader();
  if (rc < 0) return rc;
  // The muxer has chosen its own time bases now; packets are rescaled to them.
  origin_ = ts;
  state_ = State::Writing;
  return KV_MEDIA_OK;
}

int64_t Mp4Writer::ticks(int64_t ms, const AVStream* st) {
  return av_rescale_q(ms, kMilliseconds, st->time_base);
}

int Mp4Writer::writePacket(AVPacket* pkt, AVStream* st, int64_t pts, int64_t duration) {
  pkt->stream_index = st->index;
  pkt->pts = pkt->dts = pts;
  pkt->duration = duration;
  const int rc = av_write_frame(fc_, pkt);
  av_packet_unref(pkt);
  if (rc < 0) return ioFailure(rc);
  if (!onDisk()) return ioFailure(0);
  return KV_MEDIA_OK;
}

int Mp4Writer::writePendingVideo(int64_t durationMs) {
  if (!hasPending_) return KV_MEDIA_OK;
  hasPending_ = false;
  lastVideoDurationMs_ = durationMs;
  const int64_t pts = ticks(pendingMs_, video_);
  const int rc = writePacket(pending_.get(), video_, pts, ticks(pendingMs_ + durationMs, video_) - pts);
  if (rc < 0) return rc;
  videoStarted_ = true;
  return writeHeldAudio();
}

int Mp4Writer::writeHeldAudio() {
  for (PacketPtr& p : heldAudio_) {
    const int rc = writePacket(p.get(), audio_, p->pts, p->duration);
    if (rc < 0) return rc;
  }
  heldAudio_.clear();
  return KV_MEDIA_OK;
}

int Mp4Writer::writeVideo(const uint8_t* data, int size, uint32_t ts, bool key) {
  if (state_ == State::Closed || !video_) return KV_MEDIA_ERR_STATE;
  if (state_ == State::Failed) return KV_MEDIA_ERR_IO;
  if (!data || size <= 0) return KV_MEDIA_ERR_ARG;
  if (state_ == State::AwaitingKey) {
    if (!key) return KV_MEDIA_ERR_STATE;
    const int rc = startWithKeyFrame(data, size, ts);
    if (rc < 0) return rc;
  }
  const int64_t ms = *videoClock_.next(origin_, ts);  // video starts the timeline: never before it
  int rc = writePendingVideo(ms - pendingMs_);
  if (!fillPacket(pending_.get(), data, size)) return KV_MEDIA_ERR_NOMEM;
  if (key) pending_->flags |= AV_PKT_FLAG_KEY;
  pendingMs_ = ms;
  hasPending_ = true;
  return rc;
}

int Mp4Writer::writeAudio(const uint8_t* data, int size, uint32_t ts) {
  if (state_ == State::Closed || state_ == State::AwaitingKey || !audio_) return KV_MEDIA_ERR_STATE;
  if (state_ == State::Failed) return KV_MEDIA_ERR_IO;
  const auto hdr = adts::parse(data, size > 0 ? static_cast<size_t>(size) : 0);
  if (!hdr) return KV_MEDIA_ERR_DATA;
  if (!video_ && !audioClock_.started()) origin_ = ts;
  const auto ms = audioClock_.next(origin_, ts);
  if (!ms) return KV_MEDIA_ERR_STATE;  // older than the file's first key frame
  const int payload = static_cast<int>(hdr->frameLength - hdr->headerSize);
  if (!fillPacket(packet_.get(), data + hdr->headerSize, payload)) return KV_MEDIA_ERR_NOMEM;
  packet_->flags |= AV_PKT_FLAG_KEY;
  const int64_t duration =
      av_rescale_q(kAacFrameSamples, AVRational{1, audio_->codecpar->sample_rate}, audio_->time_base);
  if (video_ && !videoStarted_) {
    // The muxer's timeline starts with its first packet: that is the
    // file's first picture, at zero, so sound waits behind it.
    PacketPtr held(av_packet_clone(packet_.get()));
    av_packet_unref(packet_.get());
    if (!held) return KV_MEDIA_ERR_NOMEM;
    held->pts = held->dts = ticks(*ms, audio_);
    held->duration = duration;
    heldAudio_.push_back(std::move(held));
    return KV_MEDIA_OK;
  }
  return writePacket(packet_.get(), audio_, ticks(*ms, audio_), duration);
}

int Mp4Writer::release() {
  int rc = 0;
  if (fc_) {
    fc_->pb = nullptr;  // the output's own, freed below
    avformat_free_context(fc_);
    fc_ = nullptr;
  }
  rc = output_.close();
  video_ = audio_ = nullptr;
  headerWritten_ = false;
  videoClock_ = StreamClock();
  audioClock_ = StreamClock();
  hasPending_ = false;
  lastVideoDurationMs_ = 0;
  av_packet_unref(pending_.get());
  heldAudio_.clear();
  videoStarted_ = false;
  return rc;
}

int Mp4Writer::close() {
  if (state_ == State::Closed) return KV_MEDIA_ERR_STATE;
  if (state_ == State::AwaitingKey) {
    output_.removeName();  // nothing playable was written
    release();
    state_ = State::Closed;
    return KV_MEDIA_ERR_EMPTY;
  }
  if (state_ == State::Writing) {
    writePendingVideo(lastVideoDurationMs_ > 0 ? lastVideoDurationMs_ : kDefaultFrameMs);
    if (state_ == State::Writing) {
      const int trailer = av_write_trailer(fc_);
      if (trailer < 0)
        ioFailure(trailer);
      else if (!onDisk())
        ioFailure(0);
    }
  }
  const bool failed = state_ == State::Failed;
  const int64_t end = fc_ && fc_->pb ? avio_tell(fc_->pb) : 0;
  const int flushed = output_.finish();  // the last flush
  if (!failed && flushed < 0)
    ioFailure(flushed);
  else if (!failed && output_.sizeOnDisk() < end)
    ioFailure(0);
  if (state_ == State::Failed) {
    // What came after the last whole write may be cut short: the file ends
    // with its last whole fragment, which plays; a file without a whole
    // fragment holds nothing to play and goes.
    if (wholeSize_ <= headerSize_)
      output_.removeName();
    else
      output_.cut(wholeSize_);  // failing, the file stays as it is
  }
  const int closed = release();
  if (state_ != State::Failed && closed < 0) ioFailure(closed);
  const bool ok = state_ != State::Failed;
  state_ = State::Closed;
  return ok ? KV_MEDIA_OK : KV_MEDIA_ERR_IO;
}

}  // namespace kvmedia
