// Recordings of the simulated camera's stream over the real device link,
// checked with ffprobe against what the camera sent while the record was
// on: neither a decoder that keeps up with only a quarter of real time, nor
// a play without any sound server and with the speaker off, may cost the
// file a packet. No sound server runs for these tests: PULSE_SERVER names
// a socket that does not exist.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <QCoreApplication>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "KV_VideoCodec.h"
#include "Tessan.h"
#include "child_process.h"
#include "fresh_netns.h"
#include "live_glue.h"
#include "media_feed.h"
#include "netns_test.h"

namespace {

// How many frame intervals (40 ms at 25 fps) one decode takes at least.
std::atomic<int> decodeSlowdown{1};

}  // namespace

// Test seam: the video decode thread calls this definition; it decodes
// with the stand-in library's own (the next one in the lookup order) and
// then takes as long as the slowdown says.
extern "C" int KVVideo_Decode(void* handle, const uint8_t* frame, int reserved1, int frameLength,
                              uint8_t* output, int reserved2, int* outputLength, int* width,
                              int* height) {
  using Decode = int (*)(void*, const uint8_t*, int, int, uint8_t*, int, int*, int*, int*);
  static const Decode real = reinterpret_cast<Decode>(dlsym(RTLD_NEXT, "KVVideo_Decode"));
  if (!real) return -1;
  const auto began = std::chrono::steady_clock::now();
  const int result =
      real(handle, frame, reserved1, frameLength, output, reserved2, outputLength, width, height);
  const int slowdown = decodeSlowdown.load();
  if (slowdown > 1) std::this_thread::sleep_until(began + std::chrono::milliseconds(40 * slowdown));
  return result;
}

namespace {

using pipelinetest::pumpUntil;

// What reached the session, frame by frame, in arrival order.
class ArrivalLog {
 public:
  struct Frame {
    bool video;
    bool key;
  };
  void add(const AvFrame& f) {
    std::lock_guard<std::mutex> lock(mutex_);
    frames_.push_back(Frame{f.codec != 259, f.codec != 259 && f.flag == 0});
  }
  size_t size() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return frames_.size();
  }
  // Video frames since the last key frame (-1 before any key frame).
  int sinceKey() const {
    std::lock_guard<std::mutex> lock(mutex_);
    int n = 0;
    for (auto it = frames_.rbegin(); it != frames_.rend(); ++it) {
      if (!it->video) continue;
      if (it->key) return n;
      ++n;
    }
    return -1;
  }
  // The frames of [from, to) from the first key frame on.
  struct Counts {
    size_t video = 0, audio = 0, keyWait = 0;
  };
  Counts fromFirstKey(size_t from, size_t to) const {
    std::lock_guard<std::mutex> lock(mutex_);
    Counts c;
    bool started = false;
    for (size_t i = from; i < to && i < frames_.size(); ++i) {
      const Frame& f = frames_[i];
      if (!started && f.key) started = true;
      if (!started) {
        c.keyWait += f.video;
        continue;
      }
      (f.video ? c.video : c.audio)++;
    }
    return c;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<Frame> frames_;
};

struct RecordCase {
  const char* name;
  const char* deviceId;
  int decodeSlowdown;  // frame intervals one decode takes
  bool speakerOn;
  int gop = 0;  // pictures from one key frame to the next (0: the camera's own, one a second)
};

class LiveRecording : public ::testing::TestWithParam<RecordCase> {
 protected:
  void TearDown() override {
    APP_uninit();  // no library thread outlives the test
    decodeSlowdown.store(1);
  }
};

// Five seconds of the camera's pictures, however long a busy machine takes
// to bring them.
constexpr size_t kRecordedPictures = 125;
constexpr double kAudioFramesPerSecond = 8000.0 / 1024;  // the camera's 8 kHz AAC

TEST_P(LiveRecording, TheFileHoldsEveryPacketTheCameraSentWhileRecording) {
  REQUIRE_PRIVATE_NETNS();
  const std::string ns = testsupport::enterFreshNetworkNamespace();
  ASSERT_TRUE(ns.empty()) << ns;
  const RecordCase c = GetParam();
  setenv("PULSE_SERVER", "unix:/nonexistent/camviewer-no-sound-server", 1);
  const std::string dir = pipelinetest::scratchDir(std::string("record_live_") + c.name);
  const std::string id = c.deviceId, key = "record-key";
  testworld::ChildProcess camera;
  std::string error;
  std::vector<std::string> cameraArgs = {"--id", id, "--key", key, "--lifetime", "120", "--work-dir", dir};
  if (c.gop > 0) cameraArgs.insert(cameraArgs.end(), {"--gop", std::to_string(c.gop)});
  ASSERT_TRUE(camera.start(PIPELINE_SIM_CAMERA, cameraArgs, &error)) << error;
  ASSERT_TRUE(camera.waitFor("listening 1", 60000, nullptr, true)) << "the camera did not start";

  pipelinetest::MemoryTarget target;
  livetest::initDeviceLink();
  std::string path;
  ArrivalLog::Counts sent, atMost;
  {
    livetest::LiveCamera cam(id, PlayMode::Single, &target);
    SaveFolders folders;
    folders.userFolder = QString::fromStdString(dir) + "/user/";
    cam.media.setSaveFolders(folders);
    ArrivalLog arrivals;
    cam.onFrame = [&](const AvFrame& f) { arrivals.add(f); };
    ASSERT_EQ(cam.connect(key, "127.0.0.1"), 0);
    ASSERT_TRUE(pumpUntil([&] { return cam.status.load() == E_CONN_STATUS_ONLINE; }, 30000))
        << "status " << cam.status.load();
    ASSERT_TRUE(pumpUntil([&] { return cam.media.counters.videoDecoded.load() >= 5; }, 30000));
    ASSERT_TRUE(pumpUntil([&] { return cam.media.counters.audioPacketsQueued.load() > 0 ||
                                       arrivals.fromFirstKey(0, arrivals.size()).audio > 0; },
                          30000))
        << "the camera sends no sound";
    EXPECT_EQ(cam.media.audioOutput, nullptr) << "a sound output opened: the test needs none";
    cam.media.setSpeakerOn(c.speakerOn);
    decodeSlowdown.store(c.decodeSlowdown);

    // The press comes half-way between two key frames, so which key frame
    // starts the file does not depend on a race with the press.
    ASSERT_TRUE(pumpUntil([&] { return arrivals.sinceKey() == 12; }, 30000));
    const size_t pressed = arrivals.size();
    ASSERT_TRUE(cam.media.record_start());
    path = cam.media.recordFilePath().toStdString();
    ASSERT_TRUE(pumpUntil([&] { return arrivals.fromFirstKey(pressed, arrivals.size()).video >= kRecordedPictures; },
                          120000))
        << "the camera sent " << arrivals.fromFirstKey(pressed, arrivals.size()).video << " pictures";
    // The stop takes effect somewhere inside record_stop (which also
    // finishes the file, long on a slow machine): the file holds every
    // packet that came before the call and none that came after it.
    const size_t stopping = arrivals.size();
    cam.media.record_stop();
    const size_t stopped = arrivals.size();
    sent = arrivals.fromFirstKey(pressed, stopping);
    atMost = arrivals.fromFirstKey(pressed, stopped);
    std::printf("[ figure ] %s: the camera sent %zu video and %zu sound packets from the first "
                "key frame to the stop (key-frame wait %zu pictures); decoded meanwhile %llu\n",
                c.name, sent.video, sent.audio, sent.keyWait,
                static_cast<unsigned long long>(cam.media.counters.videoDecoded.load()));
    decodeSlowdown.store(1);
    cam.media.avideo_stop_play();
  }
  camera.stop();

  size_t video = 0, audio = 0;
  for (const pipelinetest::ProbePacket& p : pipelinetest::probePackets(path)) {
    video += p.type == "video";
    audio += p.type == "audio";
  }
  const double seconds = pipelinetest::probeDuration(path);
  std::printf("[ figure ] %s: ffprobe finds %zu video and %zu sound packets, %.2f s\n", c.name,
              video, audio, seconds);
  // A packet on its way into the session at the stop's call may miss the
  // file; nothing that came after the stop had ended is in it.
  EXPECT_LE(video, atMost.video);
  EXPECT_GE(video + 1, sent.video);
  // Sound stamped before the first key frame is not written.
  EXPECT_LE(audio, atMost.audio);
  EXPECT_GE(audio + 2, sent.audio);
  EXPECT_NEAR(double(audio), seconds * kAudioFramesPerSecond, seconds * kAudioFramesPerSecond * 0.2);
  EXPECT_GE(sent.video, kRecordedPictures) << "the camera sent too little to judge";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LiveRecording,
    ::testing::Values(RecordCase{"DecoderAtAQuarterOfRealTime", "CAMREC01", 4, true},
                      RecordCase{"SpeakerOffWithoutSoundServer", "CAMREC02", 1, false},
                      // The decoder's backlog reaches its one-second flush before the next
                      // key frame comes: a file fed behind the decoder's gate would lose
                      // the flushed pictures.
                      RecordCase{"KeyFramesTwoSecondsApartDecoderAtAQuarter", "CAMREC03", 4, true, 50}),
    [](const ::testing::TestParamInfo<RecordCase>& p) { return std::string(p.param.name); });

}  // namespace
