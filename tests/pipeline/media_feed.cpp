#include "media_feed.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <thread>

#include "media_assets.h"
#include "av_frame_bytes.h"
#include "test_artifacts.h"

namespace pipelinetest {

namespace {

using Clock = std::chrono::steady_clock;

// Folder of the clips, removed when the test program ends.
struct ClipFolder {
  std::string path;
  ClipFolder() {
    char tmpl[] = "/tmp/pipeline_clips.XXXXXX";
    if (mkdtemp(tmpl)) path = tmpl;
  }
  ~ClipFolder() {
    std::error_code ec;
    if (!path.empty()) std::filesystem::remove_all(path, ec);
  }
};

}  // namespace

const camera::MediaClips& clips(camera::VideoCodec codec, int seconds) {
  static std::mutex mutex;
  static ClipFolder folder;
  static std::map<std::pair<int, int>, camera::MediaClips> made;
  std::lock_guard<std::mutex> lock(mutex);
  const auto key = std::make_pair(int(codec), seconds);
  auto it = made.find(key);
  if (it != made.end()) return it->second;
  camera::ClipRequest r;
  r.codec = codec;
  r.seconds = seconds;
  r.workDir = folder.path + "/" + std::to_string(key.first) + "_" + std::to_string(seconds);
  std::filesystem::create_directories(r.workDir);
  std::string error;
  camera::MediaClips c = camera::makeClips(r, &error);
  EXPECT_TRUE(error.empty()) << error;
  return made.emplace(key, std::move(c)).first->second;
}

std::vector<uint8_t> avFrameBytes(int codec, int width, int height, uint64_t ts, int flag, int fps,
                                  const std::vector<uint8_t>& payload) {
  return testsupport::avFrameBytes(codec, width, height, ts, flag, fps, payload);
}

void Feeder::send(const std::vector<uint8_t>& bytes, const std::atomic<uint64_t>& queued,
                  const std::atomic<uint64_t>& decoded, const std::atomic<uint64_t>& failed) {
  AvFrame f;
  ASSERT_TRUE(readAvFrame(bytes.data(), uint32_t(bytes.size()), &f));
  const uint64_t queuedBefore = queued.load();
  const uint64_t done = decoded.load() + failed.load();
  media_.avFrame(f, mode_);
  if (stepped_ && queued.load() > queuedBefore) {
    EXPECT_TRUE(pumpUntil([&] { return decoded.load() + failed.load() > done; }, 60000));
  }
}

void Feeder::video(uint64_t ts, int fps) {
  const camera::VideoClip& clip = clips_.fhd;
  if (videoPos_ >= clip.units.size()) videoPos_ = 0;
  const camera::VideoUnit& u = clip.units[videoPos_++];
  const std::vector<uint8_t> bytes =
      avFrameBytes(clip.codec, clip.width, clip.height, ts, u.key ? 0 : 1, fps, u.data);
  MediaCounters& n = media_.counters;
  send(bytes, n.videoPacketsQueued, n.videoDecoded, n.videoDecodeFailed);
  ++videoSent_;
}

void Feeder::audio(uint64_t ts, int fps) {
  if (clips_.audio.empty()) return;
  if (audioPos_ >= clips_.audio.size()) audioPos_ = 0;
  const std::vector<uint8_t> bytes = avFrameBytes(259, 0, 0, ts, 0, fps, clips_.audio[audioPos_++]);
  MediaCounters& n = media_.counters;
  send(bytes, n.audioPacketsQueued, n.audioDecoded, n.audioDecodeFailed);
  ++audioSent_;
}

uint64_t Feeder::both(double seconds, uint64_t startTs) {
  const uint64_t end = startTs + uint64_t(seconds * 1000);
  uint64_t v = startTs, a = startTs;
  while (v < end || a < end) {
    if (v <= a && v < end) {
      video(v);
      v += 40;
    } else {
      audio(a);
      a += 128;
    }
  }
  return end;
}

void Feeder::realTime(double seconds, const std::function<bool()>& stop) {
  const auto start = Clock::now();
  const auto end = start + std::chrono::milliseconds(int64_t(seconds * 1000));
  auto nextVideo = start, nextAudio = start;
  while (Clock::now() < end && !stop()) {
    const auto now = Clock::now();
    const uint64_t ts = uint64_t(
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count());
    if (now >= nextVideo) {
      video(ts);
      nextVideo += std::chrono::milliseconds(40);
    }
    if (now >= nextAudio) {
      audio(ts);
      nextAudio += std::chrono::milliseconds(128);
    }
    std::this_thread::sleep_until(std::min(nextVideo, nextAudio));
  }
}

void MemoryTarget::PresentFrame(const unsigned char* yuv, int width, int height) {
  lastWidth = width;
  lastHeight = height;
  last.assign(yuv, yuv + size_t(width) * size_t(height) * 3 / 2);
  presented++;
}

void EventLog::sendStreamRequest(StreamRequest r) {
  static const char* const names[] = {"VideoStart", "AudioStart", "VideoStop", "AudioStop"};
  add(std::string("request ") + names[int(r)]);
}

void EventLog::snapshotSaved(bool ok, const QString& path) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    lastPath_ = path;
  }
  add(std::string("snapshotSaved ") + (ok ? "true" : "false"));
}

void EventLog::thumbnailSaved(bool ok, const QString& path) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    lastPath_ = path;
  }
  add(std::string("thumbnailSaved ") + (ok ? "true" : "false"));
}

std::vector<std::string> EventLog::all() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return events_;
}

size_t EventLog::count(const std::string& prefix) const {
  std::lock_guard<std::mutex> lock(mutex_);
  size_t n = 0;
  for (const std::string& e : events_) n += e.rfind(prefix, 0) == 0;
  return n;
}

QString EventLog::lastPath() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return lastPath_;
}

void EventLog::clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  events_.clear();
}

void EventLog::add(const std::string& e) {
  std::lock_guard<std::mutex> lock(mutex_);
  events_.push_back(e);
}

bool pumpUntil(const std::function<bool()>& done, int ms) {
  const auto end = Clock::now() + std::chrono::milliseconds(ms);
  while (!done()) {
    if (Clock::now() >= end) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

bool waitWithoutEvents(const std::function<bool()>& done, int ms) {
  const auto end = Clock::now() + std::chrono::milliseconds(ms);
  while (!done()) {
    if (Clock::now() >= end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

std::string scratchDir(const std::string& name) {
  const std::string dir = testsupport::artifactsDir("pipeline") + "/" + name;
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
  std::filesystem::create_directories(dir, ec);
  return dir;
}

}  // namespace pipelinetest
