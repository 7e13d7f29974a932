// The device side of the device link, without sockets or threads: checks
// the client's token, answers its requests and streams HH02 audio/video
// frames on an injected millisecond clock. The driver feeds it the bytes
// the client sent and sends what it produces.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "media_clips.h"

namespace camera {

enum class AuthAnswer { Check, Refuse, Never };

struct ProtocolConfig {
  std::string key;                 // access key: token check and RC4 key
  AuthAnswer auth = AuthAnswer::Check;
  bool encMsg = false;             // RC4 on HH01 payloads (not on 153)
  bool encAV = false;              // RC4 on the first 2,048 payload bytes of A/V frames
  int fps = 25;
  // Added to the stream clock (the tick's) in every A/V time stamp: 0 for
  // a clock from the camera's start-up, the wall clock's lead for
  // milliseconds since the Unix epoch (beyond 32 bits).
  uint64_t stampOffsetMs = 0;
  int dropAfterVideo = -1;         // ask for the link to be dropped after N video frames
  int status3AfterVideo = -1;      // send a status frame 153 with status 3 after N video frames
  int oversizedAfterVideo = -1;    // send an A/V header longer than any buffer after N video frames
  uint16_t videoValues[6] = {1920, 1080, 25, 2048, 1, 0};
  uint16_t sampleRate = 8000;
  uint8_t sampleBits = 16;
  uint8_t channels = 1;
};

// One A/V frame as it was before enciphering, for comparison with what a
// client received.
struct SentFrame {
  bool video;
  uint32_t length;      // header + payload
  std::string md5;      // of the plain frame
};

class CameraProtocol {
 public:
  CameraProtocol(const ProtocolConfig& config, const MediaClips& clips);

  // Bytes the client sent on channel 0.
  void receive(const uint8_t* data, size_t len);
  // Emits every frame due at `nowMs`.
  void tick(uint64_t nowMs);

  // Wire bytes to send, in order; the buffer is handed over.
  Bytes takeOutput();
  // What happened, one text line each ("auth accepted", "ptz 3 1", ...).
  std::vector<std::string> takeEvents();

  bool dropRequested() const { return dropRequested_; }
  const std::vector<SentFrame>& sentFrames() const { return sent_; }
  int videoFrames() const { return videoCount_; }

 private:
  void handleMessage(uint16_t type, Bytes payload);
  void checkToken(const Bytes& payload);
  void sendMessage(uint16_t type, const Bytes& payload);
  void sendParamsOnce();
  void startStream(uint16_t answer, bool& on, uint64_t& start, uint64_t& index);
  bool keySet() const { return !cfg_.key.empty() && cfg_.key[0] != 0; }
  void sendVideo(uint64_t ts);
  void sendAudio(uint64_t ts);
  void sendAv(Bytes frame, bool video);
  void afterVideoFrame();
  const VideoClip& clip() const { return quality_ == 1 ? clips_.hd : clips_.fhd; }

  ProtocolConfig cfg_;
  const MediaClips& clips_;
  Bytes in_, out_;
  std::vector<std::string> events_;
  std::vector<SentFrame> sent_;

  enum class Auth { None, Accepted, Refused } auth_ = Auth::None;
  bool paramsSent_ = false;
  bool videoOn_ = false, audioOn_ = false;
  uint64_t now_ = 0;
  uint64_t videoStart_ = 0, audioStart_ = 0;
  uint64_t videoIndex_ = 0, audioIndex_ = 0;
  size_t videoPos_ = 0, audioPos_ = 0;
  int quality_ = 5, pendingQuality_ = 5;
  int videoCount_ = 0;
  bool dropRequested_ = false;
};

}  // namespace camera
