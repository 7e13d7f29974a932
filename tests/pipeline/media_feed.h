// Feeding a camera's media session the way the device link does: real
// H.264/H.265 access units and raw AAC frames made by the ffmpeg CLI (the
// simulated camera's clips), with frame heads as the camera writes them, on
// the calling thread. Plus a render target that keeps what it was shown and
// an events recorder.
#pragma once

#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "device/camera_media.h"
#include "media_clips.h"
#include "media_probe.h"

namespace pipelinetest {

// Clips of `codec` at 640x360 (and 320x180), 25 fps, a key frame every 25
// pictures, `seconds` long, plus 8 kHz mono AAC of a 440 Hz tone. Made once
// per process and codec; fails the calling test when ffmpeg fails.
const camera::MediaClips& clips(camera::VideoCodec codec, int seconds = 2);

// Hands frames to a session as the A/V callback would (startOfPlay + intake).
class Feeder {
 public:
  Feeder(CameraMedia& media, const camera::MediaClips& clips, PlayMode mode)
      : media_(media), clips_(clips), mode_(mode) {}

  // The next video frame of the clip (looping), time stamp `ts` ms.
  void video(uint64_t ts, int fps = 25);
  void audio(uint64_t ts, int fps = 25);
  // `seconds` of both, in time-stamp order, as fast as possible; video
  // every 40 ms, audio every 128 ms, starting at `startTs`. Returns the
  // time stamp after the last frame.
  uint64_t both(double seconds, uint64_t startTs);
  // Same, paced in real time (time stamps from the steady clock), stopping
  // early when stop() becomes true.
  void realTime(double seconds, const std::function<bool()>& stop = [] { return false; });
  // Stepped: after each frame that was queued, wait (bounded) until its
  // decode thread has handled it, so audio and video reach the record
  // thread in the order a real-time stream gives them.
  void setStepped(bool stepped) { stepped_ = stepped; }
  // Moves to the clip's position `index` (0 = its first key frame).
  void seekVideo(size_t index) { videoPos_ = index; }
  size_t videoSent() const { return videoSent_; }
  size_t audioSent() const { return audioSent_; }

 private:
  // Hands one frame over; stepped, waits until the consumer whose counters
  // are given has handled it (when it was queued at all).
  void send(const std::vector<uint8_t>& bytes, const std::atomic<uint64_t>& queued,
            const std::atomic<uint64_t>& decoded, const std::atomic<uint64_t>& failed);

  CameraMedia& media_;
  const camera::MediaClips& clips_;
  PlayMode mode_;
  size_t videoPos_ = 0, audioPos_ = 0;
  size_t videoSent_ = 0, audioSent_ = 0;
  bool stepped_ = false;
};

// A frame head + payload as the device link delivers it.
std::vector<uint8_t> avFrameBytes(int codec, int width, int height, uint64_t ts, int flag, int fps,
                                  const std::vector<uint8_t>& payload);

// A render target in memory.
class MemoryTarget : public VideoRenderTarget {
 public:
  void PresentFrame(const unsigned char* yuv, int width, int height) override;
  void start_render() override { started++; }
  void stop_render() override { stopped++; }
  void shownPictureSize(int* width, int* height) const override {
    *width = shownWidth;
    *height = shownHeight;
  }
  std::atomic<int> presented{0}, started{0}, stopped{0};
  int shownWidth = 0, shownHeight = 0;  // 0 x 0: pictures are shown as they come
  int lastWidth = 0, lastHeight = 0;
  std::vector<uint8_t> last;
};

// Records every event.
class EventLog : public CameraMediaEvents {
 public:
  void videoTimerStart(int ms) override { add("videoTimerStart " + std::to_string(ms)); }
  void gifPlayStart() override { add("gifPlayStart"); }
  void sendStreamRequest(StreamRequest r) override;
  void snapshotSaved(bool ok, const QString& path) override;
  void thumbnailSaved(bool ok, const QString& path) override;
  void deviceStopPlay() override { add("deviceStopPlay"); }
  void recordPictureState(bool recording) override {
    add(std::string("recordPictureState ") + (recording ? "true" : "false"));
  }
  void recordLinkLost() override { add("recordLinkLost"); }
  void recordResumed() override { add("recordResumed"); }
  std::vector<std::string> all() const;
  size_t count(const std::string& prefix) const;
  QString lastPath() const;
  void clear();

 private:
  void add(const std::string& e);
  mutable std::mutex mutex_;
  std::vector<std::string> events_;
  QString lastPath_;
};

// Processes Qt events until `done` is true or `ms` pass; returns done().
bool pumpUntil(const std::function<bool()>& done, int ms);
// Waits until `done` is true or `ms` pass without running Qt's event loop,
// so no timer of this thread fires meanwhile; returns done().
bool waitWithoutEvents(const std::function<bool()>& done, int ms);

// A scratch folder for one test (removed by the caller's QTemporaryDir).
std::string scratchDir(const std::string& name);

// ffprobe's view of a media file (tests/media/media_probe.h).
using media_assets::ProbePacket;
using media_assets::probePackets;
using media_assets::probeDuration;
using media_assets::decodedVideoFrames;

}  // namespace pipelinetest
