// The camera's sound reaches the sound output: a single-camera play fed in
// real time, the display tick running, and the 440 Hz tone of the camera's
// AAC found in what a PulseAudio null sink played.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include "pulse_environment.h"
#include "session_fixture.h"
#include "tone_power.h"

namespace pipelinetest {
namespace {

TEST_F(SessionTest, TheCamerasToneIsPlayed) {
  testsupport::PulseNullSink* sink = pulseSink();
  ASSERT_NE(sink, nullptr);
  std::string error;
  const std::string raw = dir + "/monitor.raw";
  ASSERT_TRUE(sink->startRecording(raw, 8000, 1, &error)) << error;

  media->avideo_start_play();
  Feeder feed(*media, clips(camera::VideoCodec::H264), PlayMode::Single);
  // What the camera object does with videoTimerStart: start the display tick.
  feed.realTime(4.0, [&] {
    QCoreApplication::processEvents();
    if (events.count("videoTimerStart") && !media->videoTimer.isActive())
      media->videoTimer_start_play(35, &target);
    return false;
  });
  EXPECT_TRUE(media->videoTimer.isActive());
  EXPECT_GT(target.presented.load(), 50);
  EXPECT_GT(media->counters.audioPiecesPlayed.load(), 0u);
  media->avideo_stop_play();
  EXPECT_EQ(media->audioOutput, nullptr);
  EXPECT_FALSE(media->audioPlayThread.isRunning()) << "the output went while its thread could write";
  // The monitor runs in real time: a little more gives the tail time to come.
  sink->waitForBytes(sink->recordedBytes() + 4000, 3000);
  const std::vector<int16_t> got = sink->stopRecording();
  ASSERT_GE(got.size(), 8000u);
  const double tone = testsupport::tonePower(got, 0, 1, 440, 8000);
  const double other = testsupport::tonePower(got, 0, 1, 700, 8000);
  EXPECT_GT(tone, 100 * other + 1.0) << "tone " << tone << " other " << other;
}

}  // namespace
}  // namespace pipelinetest
