// The whole live chain with the real libraries: the simulated camera streams
// over Vornet and Tessan into a media session, which decodes every frame
// the camera sent (its manifest) and shows pictures on the display tick.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include <cstdlib>
#include <atomic>
#include <fstream>
#include <string>

#include "Tessan.h"
#include "child_process.h"
#include "fresh_netns.h"
#include "live_glue.h"
#include "media_feed.h"
#include "netns_test.h"
#include "test_artifacts.h"

namespace {

using pipelinetest::pumpUntil;

size_t manifestVideoFrames(const std::string& path) {
  std::ifstream in(path);
  size_t n = 0;
  for (std::string line; std::getline(in, line);) n += line.rfind("video ", 0) == 0;
  return n;
}

class LivePipeline : public ::testing::TestWithParam<const char*> {
 protected:
  void TearDown() override { APP_uninit(); }  // no library thread outlives the test
};

TEST_P(LivePipeline, EveryFrameTheCameraSentIsDecodedAndShown) {
  REQUIRE_PRIVATE_NETNS();
  const std::string ns = testsupport::enterFreshNetworkNamespace();
  ASSERT_TRUE(ns.empty()) << ns;
  const std::string codec = GetParam();
  const std::string dir = pipelinetest::scratchDir("live_" + codec);
  const std::string id = "CAMLIVE" + codec, key = "live-key-" + codec;
  testworld::ChildProcess camera;
  std::string error;
  ASSERT_TRUE(camera.start(PIPELINE_SIM_CAMERA,
                           {"--id", id, "--key", key, "--lifetime", "60", "--codec", codec,
                            "--manifest", dir + "/manifest", "--work-dir",
                            testsupport::cameraClipCache()},
                           &error))
      << error;
  ASSERT_TRUE(camera.waitFor("listening 1", 180000, nullptr, true)) << "the camera did not start";

  pipelinetest::MemoryTarget target;
  livetest::initDeviceLink();
  {
    livetest::LiveCamera cam(id, PlayMode::Group, &target);
    std::atomic<size_t> received{0};
    cam.onFrame = [&](const AvFrame& f) { received += f.codec != 259; };
    ASSERT_EQ(cam.connect(key, "127.0.0.1"), 0);
    ASSERT_TRUE(pumpUntil([&] { return cam.status.load() == E_CONN_STATUS_ONLINE; }, 60000))
        << "status " << cam.status.load();
    ASSERT_TRUE(pumpUntil([&] { return cam.media.counters.videoDecoded.load() >= 100; }, 60000))
        << "decoded " << cam.media.counters.videoDecoded.load();
    // The camera is asked to stop sending; the play itself goes on, so
    // everything still on its way is taken and decoded.
    cam.sendStreamRequest(StreamRequest::VideoStop);
    size_t sent = 0;
    ASSERT_TRUE(pumpUntil([&] {
      sent = manifestVideoFrames(dir + "/manifest");
      return received.load() == sent && cam.media.counters.videoDecoded.load() == sent &&
             pumpUntil([&] { return received.load() != sent; }, 300) == false;
    }, 30000)) << "received " << received.load() << " decoded " << cam.media.counters.videoDecoded.load()
               << " sent " << sent;
    ASSERT_GE(sent, 100u);
    EXPECT_EQ(cam.media.counters.videoDecoded.load(), sent);
    EXPECT_EQ(cam.media.counters.videoDecodeFailed.load(), 0u);
    EXPECT_EQ(cam.media.counters.videoPacketsDropped.load(), 0u);
    pumpUntil([&] { return cam.media.videoFrameQueue.empty(); }, 10000);
    EXPECT_TRUE(cam.media.videoTimer.isActive());
    EXPECT_GE(target.presented.load(), 75) << "the display tick showed too few pictures";
    EXPECT_EQ(target.lastWidth, 640);
    EXPECT_EQ(target.lastHeight, 360);
    cam.media.video_stop_play();
  }
  camera.stop();
}

INSTANTIATE_TEST_SUITE_P(Codecs, LivePipeline, ::testing::Values("h264", "h265"));

}  // namespace
