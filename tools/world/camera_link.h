// One camera of a running world, driven the way the client drives it:
// connect with what the cloud handed out (connect mode 7, again every 5 s
// until it is online, and again after the link is lost), then play video
// and sound, switch to HD, and on a PTZ camera send a pan step. Thread-free:
// step() looks at what the library reported and sends what comes next, on
// an injected millisecond clock.
#pragma once

#include <cstdint>
#include <string>

#include "link_observer.h"
#include "world_env.h"

namespace world {

struct Expectation {
  int fhdWidth = 1920, fhdHeight = 1080, hdWidth = 1280, hdHeight = 720;
  uint16_t codec = E_CODECID_VIDEO_H264;
  int videoFrames = 50;  // of the first quality, before the switch
  int audioFrames = 8;
  int hdFrames = 5;      // in a row of the second quality
};

struct LinkResult {
  std::string problem;  // empty while nothing went wrong
  int connects = 0;     // APP_connect calls
  int onlines = 0;      // status 10 reports
  int losses = 0;       // links lost after status 10
  int linkMode = 0;
  int64_t onlineMs = -1;    // first status 10, from the first connect
  int64_t streamMs = -1;    // from the last status 10 to the frames of the first quality
  int64_t hdMs = -1;        // from the quality request to the frames of the second
  bool ptzAnswered = false;
  int videoFrames = 0, audioFrames = 0;  // since the last status 10
};

class CameraLink {
 public:
  enum class Stage { Idle, Connecting, Streaming, Switching, Steering, Done, Failed };
  static constexpr int64_t kRetryMs = 5000;  // the client's connect timer

  CameraLink(const WorldCamera& camera, const Expectation& expect, LinkObserver& observer)
      : camera_(camera), expect_(expect), observer_(observer) {}

  void start(int64_t nowMs);
  // Done is no end: a link lost afterwards is connected again and played
  // through once more.
  void step(int64_t nowMs);
  void disconnect();

  Stage stage() const { return stage_; }
  bool finished() const { return stage_ == Stage::Done || stage_ == Stage::Failed; }
  const LinkResult& result() const { return result_; }
  const WorldCamera& camera() const { return camera_; }
  const char* stageName() const;

 private:
  void connect(int64_t nowMs);
  void onStatus(int status, int64_t nowMs);
  void checkFirstQuality(const LinkReport& r, int64_t nowMs);
  bool send(int type, const void* payload, uint32_t len);
  void fail(const std::string& why);

  WorldCamera camera_;
  Expectation expect_;
  LinkObserver& observer_;
  Stage stage_ = Stage::Idle;
  LinkResult result_;
  size_t statusesSeen_ = 0;
  int64_t firstConnectMs_ = 0, lastConnectMs_ = 0, onlineAtMs_ = 0, qualityAtMs_ = 0;
  int videoBase_ = 0, audioBase_ = 0, qualityAnswers_ = 0, ptzAnswers_ = 0;
};

}  // namespace world
