#include "world_check.h"

#include <chrono>
#include <cstdio>
#include <memory>

namespace world {
namespace {

int64_t nowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

std::string seconds(int64_t ms) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.1f s", double(ms) / 1000.0);
  return buf;
}

}  // namespace

Expectation expectationOf(const WorldEnv& env) {
  Expectation e;
  e.fhdWidth = env.fhdWidth;
  e.fhdHeight = env.fhdHeight;
  e.hdWidth = env.hdWidth;
  e.hdHeight = env.hdHeight;
  e.codec = env.codec == "h265" ? E_CODECID_VIDEO_H265 : E_CODECID_VIDEO_H264;
  return e;
}

std::vector<CameraCheck> checkWorld(const WorldEnv& env, const Expectation& expect, int timeoutMs) {
  LinkObserver observer;
  const APP_INIT_PARAM param = observer.initParam();
  std::vector<CameraCheck> out;
  if (APP_init(&param) != 0) {
    for (const WorldCamera& c : env.cameras) out.push_back(CameraCheck{c, LinkResult{"APP_init failed"}, false});
    return out;
  }
  std::vector<std::unique_ptr<CameraLink>> links;
  const int64_t began = nowMs();
  for (const WorldCamera& c : env.cameras) {
    links.push_back(std::make_unique<CameraLink>(c, expect, observer));
    links.back()->start(began);
  }
  // Bounded by the time-out; each round waits for news from the library.
  for (bool all = false; !all && nowMs() - began < timeoutMs;) {
    observer.waitForNews(50);
    all = true;
    for (auto& l : links) {
      l->step(nowMs());
      all = all && l->finished();
    }
  }
  for (auto& l : links) {
    CameraCheck c{l->camera(), l->result(), l->stage() == CameraLink::Stage::Done};
    if (!c.passed && c.result.problem.empty())
      c.result.problem = std::string("timed out ") + l->stageName() + " after " + seconds(nowMs() - began);
    out.push_back(c);
    l->disconnect();
  }
  APP_uninit();
  return out;
}

std::string describe(const CameraCheck& c, const Expectation& e) {
  const LinkResult& r = c.result;
  std::string s = c.camera.id + " \"" + c.camera.alias + "\": ";
  s += c.passed ? "ok" : "FAILED (" + r.problem + ")";
  if (r.onlineMs >= 0)
    s += "; online after " + seconds(r.onlineMs) + " (" + std::to_string(r.connects) + " connect" +
         (r.connects == 1 ? "" : "s") + ", link mode " + std::to_string(r.linkMode) + ")";
  if (r.streamMs >= 0)
    s += "; " + std::to_string(e.videoFrames) + " frames " + std::to_string(e.fhdWidth) + "x" +
         std::to_string(e.fhdHeight) + " and " + std::to_string(e.audioFrames) + " sound frames in " +
         seconds(r.streamMs);
  if (r.hdMs >= 0)
    s += "; " + std::to_string(e.hdWidth) + "x" + std::to_string(e.hdHeight) + " after " + seconds(r.hdMs);
  if (c.camera.ptz) s += r.ptzAnswered ? "; PTZ answered" : "; PTZ not answered";
  s += "; tone " + std::to_string(c.camera.toneHz) + " Hz";
  return s;
}

}  // namespace world
