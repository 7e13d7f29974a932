// A single-camera play of the simulated camera over the real libraries, as
// our own camera streams and as cameras in the field do (sim_camera
// --field-stream: H.264 Main with CABAC, time stamps in ms since the Unix
// epoch, RC4 on the A/V payload starts, at most 96 packets in flight). Over
// ten seconds of the camera's pictures after the first second, the display
// shows what came (within one picture a second), every picture is decoded,
// the decode thread reuses its picture buffers, and the sound plays when a
// sound server runs (built twice: with the private PulseAudio null sink,
// and with no sound server at all, where the sound output cannot open).
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <ostream>
#include <string>
#include <vector>

#include "Tessan.h"
#include "child_process.h"
#include "display_watch.h"
#include "fresh_netns.h"
#include "live_glue.h"
#include "media_feed.h"
#include "netns_test.h"
#ifdef LIVE_WITH_SOUND_SERVER
#include "pulse_environment.h"
#define LIVE_SINGLE_PLAY LiveSinglePlayWithSound
#else
#define LIVE_SINGLE_PLAY LiveSinglePlayNoSoundServer
#endif

namespace {

using pipelinetest::pumpUntil;

struct CameraKind {
  const char* name;
  std::vector<std::string> switches;
  bool encipheredAv;
};

void PrintTo(const CameraKind& k, std::ostream* os) { *os << k.name; }

const CameraKind kKinds[] = {
    {"ours", {}, false},
    {"field", {"--field-stream"}, true},
};

class LIVE_SINGLE_PLAY : public ::testing::TestWithParam<CameraKind> {
 protected:
  void TearDown() override { APP_uninit(); }  // no library thread outlives the test
};

// The counters at one moment, with the frames the link delivered.
struct Sample {
  uint64_t received, decoded, failed, presented, dropped, cpuUs, audioDecoded, audioPlayed, audioOutOfStep;
  pipelinetest::DisplayWatch::Counts display;
};

TEST_P(LIVE_SINGLE_PLAY, ShowsWhatTheCameraSendsFromTheFirstSecondOn) {
  REQUIRE_PRIVATE_NETNS();
  const std::string ns = testsupport::enterFreshNetworkNamespace();
  ASSERT_TRUE(ns.empty()) << ns;
#ifdef LIVE_WITH_SOUND_SERVER
  ASSERT_NE(pipelinetest::pulseSink(), nullptr) << "no private sound server";
  const bool sound = true;
#else
  // No sound server: nothing listens where the sound library looks.
  setenv("PULSE_SERVER", "unix:/nonexistent/camviewer-no-sound-server", 1);
  const bool sound = false;
#endif
  const CameraKind& kind = GetParam();
  const std::string dir = pipelinetest::scratchDir(std::string("single_") + kind.name + (sound ? "_sound" : ""));
  const std::string id = std::string("CAMONE") + kind.name, key = "single-key";
  std::vector<std::string> args = {"--id", id, "--key", key, "--lifetime", "120", "--fhd", "1920x1080",
                                   "--fps", "25", "--work-dir", dir};
  args.insert(args.end(), kind.switches.begin(), kind.switches.end());
  testworld::ChildProcess camera;
  std::string error;
  ASSERT_TRUE(camera.start(PIPELINE_SIM_CAMERA, args, &error)) << error;
  ASSERT_TRUE(camera.waitFor("listening 1", 120000, nullptr, true)) << "the camera did not start";

  pipelinetest::MemoryTarget target;
  livetest::initDeviceLink(kind.encipheredAv);
  {
    livetest::LiveCamera cam(id, PlayMode::Single, &target);
    std::atomic<uint64_t> received{0};
    cam.onFrame = [&](const AvFrame& f) { received += f.codec != E_CODECID_AUDIO_AAC; };
    const MediaCounters& k = cam.media.counters;
    const pipelinetest::DisplayWatch display(cam.media, 40);
    auto sample = [&] {
      return Sample{received.load(),          k.videoDecoded.load(),
                    k.videoDecodeFailed.load(), k.picturesPresented.load(),
                    k.picturesDropped.load() + k.picturesStale.load(), k.videoDecodeCpuUs.load(),
                    k.audioDecoded.load(),      k.audioPiecesPlayed.load(),
                    k.audioOutOfStep.load(),    display.counts()};
    };
    ASSERT_EQ(cam.connect(key, "127.0.0.1"), 0);
    ASSERT_TRUE(pumpUntil([&] { return cam.status.load() == E_CONN_STATUS_ONLINE; }, 60000))
        << "status " << cam.status.load();
    ASSERT_TRUE(pumpUntil([&] { return k.picturesPresented.load() > 0; }, 60000)) << "no picture came";
    // The first second: the camera's next 25 pictures.
    const uint64_t first = received.load();
    ASSERT_TRUE(pumpUntil([&] { return received.load() >= first + 25; }, 60000));
    const Sample a = sample();
    QElapsedTimer clock;
    clock.start();
    // Ten seconds of the camera's pictures, each handled once it came.
    ASSERT_TRUE(pumpUntil([&] { return received.load() >= a.received + 250; }, 120000))
        << "received " << received.load() - a.received;
    const uint64_t windowEnd = received.load();
    ASSERT_TRUE(pumpUntil([&] { return k.videoDecoded.load() + k.videoDecodeFailed.load() >= windowEnd; }, 60000))
        << "decoded " << k.videoDecoded.load() << " of " << windowEnd;
    const Sample b = sample();
    const double seconds = double(clock.elapsed()) / 1000;
    const uint64_t got = b.received - a.received, shown = b.presented - a.presented;
    const uint64_t heard = b.audioDecoded - a.audioDecoded, outOfStep = b.audioOutOfStep - a.audioOutOfStep;
    const uint64_t passedOver = b.display.passedOver - a.display.passedOver;
    const uint64_t passedOverOnTime = b.display.passedOverOnTime - a.display.passedOverOnTime;
    std::printf("%s camera, %s: received %.1f, decoded %.1f, presented %.1f pictures/s over %.1f s; "
                "%llu shown of %llu, %llu passed over (%llu at ticks without cause), %llu dropped, decode thread "
                "%.3f cores, %llu picture buffers made; sound: %llu frames decoded, "
                "%llu pieces played, %llu frames out of step\n",
                kind.name, sound ? "sound server" : "no sound server", double(got) / seconds,
                double(b.decoded - a.decoded) / seconds, double(shown) / seconds, seconds,
                (unsigned long long)shown, (unsigned long long)got, (unsigned long long)passedOver,
                (unsigned long long)passedOverOnTime,
                (unsigned long long)(b.dropped - a.dropped), double(b.cpuUs - a.cpuUs) / 1e6 / seconds,
                (unsigned long long)cam.media.picturePool->made(), (unsigned long long)heard,
                (unsigned long long)(b.audioPlayed - a.audioPlayed), (unsigned long long)outOfStep);
    EXPECT_EQ(b.failed, 0u) << "pictures that did not decode";
    // The camera's rate is 25 pictures a second, and a quiet machine shows
    // them all (bench/live measures how many). On a busy machine the
    // display passes over pictures when it has cause (display_watch.h); a
    // play that shows only some of what comes (the fault: 1 to 16 of 25)
    // passes them over at ticks that came on time. A picture a second
    // without cause is room for the pacing following a path that became
    // faster.
    EXPECT_GT(shown, 0u);
    EXPECT_LE(passedOverOnTime * 25, got) << passedOverOnTime << " of " << got
                                          << " pictures passed over at ticks without cause; " << shown << " shown";
    // Every picture buffer of the play served picture after picture.
    EXPECT_GE(cam.media.picturePool->made(), 1u);
    EXPECT_LE(cam.media.picturePool->made(), CameraMedia::kKeptPictureBuffers)
        << "picture buffers were made again and again";
    EXPECT_EQ(target.lastWidth, 1920);
    EXPECT_EQ(target.lastHeight, 1080);
    if (sound) {
      EXPECT_GT(b.audioPlayed, a.audioPlayed) << "the sound did not play";
      // The picture shown keeps close to the sound: little is dropped as out of step.
      EXPECT_LE(outOfStep * 10, heard) << outOfStep << " of " << heard << " sound frames out of step";
    } else {
      EXPECT_EQ(cam.media.audioOutput, nullptr);
      EXPECT_EQ(b.audioPlayed, 0u);
    }
    cam.media.avideo_stop_play();
  }
  camera.stop();
}

INSTANTIATE_TEST_SUITE_P(Cameras, LIVE_SINGLE_PLAY, ::testing::ValuesIn(kKinds),
                         [](const ::testing::TestParamInfo<CameraKind>& i) { return std::string(i.param.name); });

}  // namespace
