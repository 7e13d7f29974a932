// One MP4 file being written behind a KV_MP4 handle.
//
// The file is fragmented (a fragment per key frame or at most every 10 s,
// flushed to disk as it is cut), so a recording stopped by a crash still
// plays up to its last fragment. With a video track the header waits for the first key frame: its
// parameter sets become the track's configuration, and everything before it
// is refused. Each video frame is held until the next one arrives so that its
// duration is known exactly.
#pragma once

#include <cstdint>
#include <string>

#include "annexb.h"
#include "av_handles.h"
#include "stream_clock.h"

namespace kvmedia {

class Mp4Writer {
 public:
  Mp4Writer() = default;
  Mp4Writer(const Mp4Writer&) = delete;
  Mp4Writer& operator=(const Mp4Writer&) = delete;
  ~Mp4Writer() { close(); }

  int open(const char* path, int width, int height, int videoCodec, int audioRate,
           int audioChannels, int audioCodec);
  int close();
  int writeVideo(const uint8_t* data, int size, uint32_t ts, bool key);
  int writeAudio(const uint8_t* data, int size, uint32_t ts);

 private:
  enum class State { Closed, AwaitingKey, Writing, Failed };

  bool addVideoStream(int videoCodec, int width, int height);
  bool addAudioStream(int rate, int channels);
  int startWithKeyFrame(const uint8_t* data, int size, uint32_t ts);
  int writeHeader();
  // Milliseconds of the file's timeline in the stream's time base (the
  // muxer picks the time bases when it writes the header).
  static int64_t ticks(int64_t ms, const AVStream* st);
  int writePacket(AVPacket* pkt, AVStream* st, int64_t pts, int64_t duration);
  int writePendingVideo(int64_t durationMs);
  int fail(int rc);
  void release();

  State state_ = State::Closed;
  std::string path_;
  AVFormatContext* fc_ = nullptr;
  bool headerWritten_ = false;
  AVStream* video_ = nullptr;
  AVStream* audio_ = nullptr;
  annexb::Codec videoCodec_ = annexb::Codec::Unknown;
  uint32_t origin_ = 0;
  StreamClock videoClock_;
  StreamClock audioClock_;
  PacketPtr pending_{av_packet_alloc()};
  bool hasPending_ = false;
  int64_t pendingMs_ = 0;
  int64_t lastVideoDurationMs_ = 0;
  PacketPtr packet_{av_packet_alloc()};
};

}  // namespace kvmedia
