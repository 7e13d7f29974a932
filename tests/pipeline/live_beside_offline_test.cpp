// One live camera watched over the real libraries while the same process
// keeps connecting to 150 cameras that never come online, as a client with
// a long camera list does: every offline id gets APP_setServInfo +
// APP_connect again and again, each connect runs the transport's whole
// attempt loop against a rendezvous server that does not know the id, and
// the attempts fill the transport's session table beside the live link.
// The live camera (the simulated one, 1080p25, on the LAN path) must keep
// its pace: over a span of its own pictures the client receives what it
// sends without falling behind, the camera never sees its link stall, and
// the play shows the pictures that came. Judged by what the camera sent
// (its manifest and its report lines) against what the client got, never
// by the clock.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "Tessan.h"
#include "Vornet.h"
#include "child_process.h"
#include "display_watch.h"
#include "fresh_netns.h"
#include "live_glue.h"
#include "media_feed.h"
#include "netns_test.h"
#include "test_artifacts.h"

namespace {

using pipelinetest::pumpUntil;

constexpr int kOffline = 150;
// The transport's table: 128 sessions, the live one among them.
constexpr size_t kAttemptsThatFit = 127;
constexpr uint64_t kSpanFrames = 250;  // ten seconds of the camera's pictures
// How far the client may trail the camera, in pictures: one second of them,
// the backlog a live view may have. A receive thread that visits the live
// camera only between sleeps for each of 150 idle sessions trails it by
// more than a second and a half, and by ever more once the transport's
// receive side overflows.
constexpr uint64_t kMostBehind = 25;

// The video frames the camera's manifest lists, read as it grows.
class Manifest {
 public:
  explicit Manifest(std::string path) : path_(std::move(path)) {}
  uint64_t videoFrames() {
    std::ifstream in(path_);
    in.seekg(offset_);
    for (std::string line; std::getline(in, line) && !in.eof();) {
      offset_ += std::streamoff(line.size() + 1);
      if (line.compare(0, 6, "video ") == 0) ++video_;
    }
    return video_;
  }

 private:
  std::string path_;
  std::streamoff offset_ = 0;
  uint64_t video_ = 0;
};

// Ids that the rendezvous server's record shows in P2P requests: attempt
// loops that hold a slot of the table.
size_t attemptsSeen(const std::string& record) {
  std::ifstream in(record);
  std::set<std::string> ids;
  const std::string key = "\"id\":\"";
  for (std::string line; std::getline(in, line);) {
    if (line.find("\"name\":\"P2P_REQ\"") == std::string::npos) continue;
    const size_t at = line.find(key);
    if (at == std::string::npos) continue;
    const size_t end = line.find('"', at + key.size());
    const std::string id = line.substr(at + key.size(), end - at - key.size());
    if (id.compare(0, 5, "NOCAM") == 0) ids.insert(id);
  }
  return ids.size();
}

// The offline cameras, asked again on every round as the client's retry
// timers ask (the library ignores a camera whose connect still runs).
class OfflineCameras {
 public:
  OfflineCameras() {
    for (int i = 0; i < kOffline; ++i) ids_.push_back("NOCAM" + std::to_string(1000 + i));
  }
  void round() {
    MSG_AUTH_REQ token{};
    for (const std::string& id : ids_) {
      APP_setServInfo(id.c_str(), "127.0.0.1");
      EXPECT_EQ(0, APP_connect(id.c_str(), "offline-key", 11, &token, 7, "127.0.0.1")) << id;
    }
    last_ = std::chrono::steady_clock::now();
  }
  // Another round once two seconds have gone since the last one.
  void roundWhenDue() {
    if (std::chrono::steady_clock::now() - last_ >= std::chrono::seconds(2)) round();
  }

 private:
  std::vector<std::string> ids_;
  std::chrono::steady_clock::time_point last_;
};

class LiveBesideOfflineCameras : public ::testing::Test {
 protected:
  void TearDown() override { APP_uninit(); }  // no library thread outlives the test
};

TEST_F(LiveBesideOfflineCameras, TheLiveCameraKeepsItsPace) {
  REQUIRE_PRIVATE_NETNS();
  const std::string ns = testsupport::enterFreshNetworkNamespace();
  ASSERT_TRUE(ns.empty()) << ns;
  const std::string dir = pipelinetest::scratchDir("live_beside_offline");
  const std::string record = dir + "/servers.jsonl";
  testworld::ChildProcess servers;
  std::string error;
  ASSERT_TRUE(servers.start(PIPELINE_RENDEZVOUS, {"--servers", "127.0.0.1", "--record", record, "--lifetime", "400"},
                            &error))
      << error;
  ASSERT_TRUE(servers.waitFor("ready", 60000, nullptr, true)) << "the rendezvous server did not start";
  const std::string id = "CAMBESIDE", key = "beside-key";
  testworld::ChildProcess camera;
  ASSERT_TRUE(camera.start(PIPELINE_SIM_CAMERA,
                           {"--id", id, "--key", key, "--lifetime", "300", "--fhd", "1920x1080", "--fps", "25",
                            "--manifest", dir + "/manifest", "--work-dir", testsupport::cameraClipCache()},
                           &error))
      << error;
  ASSERT_TRUE(camera.waitFor("listening 1", 180000, nullptr, true)) << "the camera did not start";

  pipelinetest::MemoryTarget target;
  livetest::initDeviceLink();
  {
    livetest::LiveCamera cam(id, PlayMode::Single, &target);
    std::atomic<uint64_t> received{0};
    cam.onFrame = [&](const AvFrame& f) { received += f.codec != E_CODECID_AUDIO_AAC; };
    const MediaCounters& k = cam.media.counters;
    const pipelinetest::DisplayWatch display(cam.media, 40);
    Manifest manifest(dir + "/manifest");
    ASSERT_EQ(cam.connect(key, "127.0.0.1"), 0);
    ASSERT_TRUE(pumpUntil([&] { return cam.status.load() == E_CONN_STATUS_ONLINE; }, 60000))
        << "status " << cam.status.load();
    ASSERT_TRUE(pumpUntil([&] { return k.picturesPresented.load() > 0; }, 60000)) << "no picture came";

    OfflineCameras offline;
    offline.round();
    ASSERT_TRUE(pumpUntil([&] { return attemptsSeen(record) >= kAttemptsThatFit; }, 60000))
        << attemptsSeen(record) << " attempts reached the server";
    // The table is full now (the attempt loops run for 12 s): a newcomer is refused.
    ASSERT_EQ(KV_SetServInfo("NEWCOMER", "127.0.0.1"), 0);
    EXPECT_EQ(KV_Connect("NEWCOMER", 0, 15, KV_CONNECT_P2P | KV_CONNECT_ALT_LOOP, nullptr), KV_ERR_NO_FREE_SESSION);

    // The span: the camera's next kSpanFrames pictures, with the offline
    // cameras asked again all along.
    const uint64_t sentBefore = manifest.videoFrames(), receivedBefore = received.load();
    const uint64_t shownBefore = k.picturesPresented.load();
    const pipelinetest::DisplayWatch::Counts displayBefore = display.counts();
    uint64_t mostBehind = 0, sent = sentBefore;
    ASSERT_TRUE(pumpUntil([&] {
      offline.roundWhenDue();
      sent = manifest.videoFrames();
      const uint64_t got = received.load();
      mostBehind = std::max(mostBehind, sent > got ? sent - got : 0);
      return sent >= sentBefore + kSpanFrames;
    }, 180000)) << "the camera sent " << sent - sentBefore << " pictures";
    const uint64_t sentInSpan = sent - sentBefore;
    const uint64_t receivedInSpan = received.load() - receivedBefore;
    const uint64_t shownInSpan = k.picturesPresented.load() - shownBefore;
    const uint64_t passedOverOnTime = display.counts().passedOverOnTime - displayBefore.passedOverOnTime;
    std::printf("beside %d offline cameras: %llu pictures received, %llu shown of %llu sent (%llu passed over "
                "at ticks without cause); at most %llu behind\n",
                kOffline, (unsigned long long)receivedInSpan, (unsigned long long)shownInSpan,
                (unsigned long long)sentInSpan, (unsigned long long)passedOverOnTime, (unsigned long long)mostBehind);
    EXPECT_LE(mostBehind, kMostBehind) << "the client fell behind the camera by " << mostBehind << " pictures";
    EXPECT_GE(receivedInSpan * 10, sentInSpan * 9) << receivedInSpan << " pictures received of " << sentInSpan;
    // As in the single play: the display passes over pictures only when it
    // has cause (display_watch.h); a play that shows only some of what
    // comes passes them over at ticks that came on time.
    EXPECT_GT(shownInSpan, 0u);
    EXPECT_LE(passedOverOnTime * 25, receivedInSpan)
        << passedOverOnTime << " of " << receivedInSpan << " pictures passed over at ticks without cause";

    // Every picture the camera sent arrives once it stops sending.
    cam.sendStreamRequest(StreamRequest::VideoStop);
    uint64_t total = 0;
    EXPECT_TRUE(pumpUntil([&] {
      total = manifest.videoFrames();
      return received.load() == total && pumpUntil([&] { return received.load() != total; }, 300) == false;
    }, 60000)) << "received " << received.load() << " of " << total;
    EXPECT_EQ(cam.status.load(), E_CONN_STATUS_ONLINE) << "the live link did not stay up";
    EXPECT_EQ(k.videoDecodeFailed.load(), 0u);
    cam.media.avideo_stop_play();
  }
  // The camera tells when its link stalled (nothing acknowledged for
  // seconds while bytes waited) or ended; lines it printed before are read here.
  std::string line;
  EXPECT_FALSE(camera.waitFor("stalled", 500, &line, true)) << "the camera saw its link stall";
  camera.stop();
  servers.stop();
}

}  // namespace
