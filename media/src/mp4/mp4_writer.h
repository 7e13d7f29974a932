// One MP4 file being written behind a KV_MP4 handle.
//
// The file is fragmented (a fragment per key frame or at most every 10 s,
// flushed to disk as it is cut), so a recording stopped by a crash still
// plays up to its last fragment. With a video track the header waits for the first key frame: its
// parameter sets become the track's configuration, and everything before it
// is refused. Each video frame is held until the next one arrives so that its
// duration is known exactly; sound written meanwhile waits behind the file's
// first picture, so the muxer's timeline starts with it at zero.
//
// A write the disk does not take (an error, or fewer bytes on disk than
// were written) fails the file: every later call fails too, errno() says
// why, and closing cuts the file back to its last whole fragment, so what
// was written before still plays.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "annexb.h"
#include "av_handles.h"
#include "private_output.h"
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
  // The system's reason for the last KV_MEDIA_ERR_IO (an errno value).
  int lastErrno() const { return errno_; }

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
  int writeHeldAudio();
  int fail(int rc);
  // The file cannot be written: `averror` is FFmpeg's result (0: fewer
  // bytes reached the disk than were written).
  int ioFailure(int averror);
  // Every byte written so far is on disk; the size is noted as whole.
  bool onDisk();
  // Frees the muxer and closes the file; the first error of the last
  // flush or the close.
  int release();

  State state_ = State::Closed;
  PrivateOutput output_;
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
  // Sound written before the first picture reached the muxer, in order.
  std::vector<PacketPtr> heldAudio_;
  bool videoStarted_ = false;
  int64_t wholeSize_ = 0;   // bytes on disk up to the last whole packet
  int64_t headerSize_ = 0;  // bytes of the header alone
  int errno_ = 0;
};

}  // namespace kvmedia
