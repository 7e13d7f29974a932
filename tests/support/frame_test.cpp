// The window and sound test frame itself: a private X server that takes a
// screenshot of the size asked for, and a private sound server whose null
// sink's monitor gives back the tone that was played into it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "netns_test.h"
#include "pulse_null_sink.h"
#include "test_artifacts.h"
#include "tone_power.h"
#include "xvfb_server.h"

namespace {

TEST(XvfbFrame, ScreenshotHasTheScreenSizeAndTheServerEndsWithTheObject) {
  REQUIRE_PRIVATE_NETNS();
  std::string display;
  {
    testsupport::XvfbServer x;
    std::string error;
    ASSERT_TRUE(x.start(1280, 720, &error)) << error;
    display = x.display();
    ASSERT_EQ(display[0], ':');
    // Paint the root window a known colour, then look at it.
    ASSERT_EQ(testsupport::runWithDisplay(display, "xsetroot -solid '#68BF39'"), 0);
    const std::string png = testsupport::artifactsDir("frame_test") + "/root.png";
    ASSERT_TRUE(x.screenshot(png, &error)) << error;
    int w = 0, h = 0;
    ASSERT_TRUE(testsupport::pngSize(png, &w, &h));
    EXPECT_EQ(w, 1280);
    EXPECT_EQ(h, 720);
    // The pixel in the middle is the colour painted (ImageMagick reads it back).
    const std::string probe = testsupport::artifactsDir("frame_test") + "/pixel.txt";
    ASSERT_EQ(std::system(("/usr/bin/convert '" + png + "' -format '%[pixel:p{640,360}]' info: > '" +
                           probe + "'").c_str()),
              0);
    FILE* f = std::fopen(probe.c_str(), "r");
    ASSERT_NE(f, nullptr);
    char buf[64] = {0};
    ASSERT_NE(std::fgets(buf, sizeof buf, f), nullptr);
    std::fclose(f);
    EXPECT_STREQ(buf, "srgb(104,191,57)");
  }
  // Gone with the object: no client gets through any more.
  EXPECT_NE(testsupport::runWithDisplay(display, "xdpyinfo >/dev/null 2>&1", 5), 0);
}

TEST(PulseFrame, ToneThroughTheNullSinkComesBackFromItsMonitor) {
  REQUIRE_PRIVATE_NETNS();
  const std::string dir = testsupport::artifactsDir("frame_test") + "/pulse";
  testsupport::PulseNullSink pulse;
  std::string error;
  ASSERT_TRUE(pulse.start(dir, &error)) << error;
  const std::string raw = dir + "/monitor.raw";
  ASSERT_TRUE(pulse.startRecording(raw, 8000, 1, &error)) << error;
  // One second of 1 kHz, played in real time into the sink.
  const std::string play =
      "ffmpeg -v error -f lavfi -i sine=frequency=1000:sample_rate=8000:duration=1 "
      "-f s16le -ac 1 - | PULSE_SERVER='" + pulse.serverAddress() +
      "' pacat -d nullsink --latency-msec=50 --raw --format=s16le --rate=8000 --channels=1";
  ASSERT_EQ(std::system(play.c_str()), 0);
  // Half a second more, so the tail of the tone comes through the monitor.
  EXPECT_TRUE(pulse.waitForBytes(pulse.recordedBytes() + 8000, 60000));
  const std::vector<int16_t> got = pulse.stopRecording();
  ASSERT_GE(got.size(), 8000u) << "the monitor recorded less than the second played";
  const double tone = testsupport::tonePower(got, 0, 1, 1000, 8000);
  const double other = testsupport::tonePower(got, 0, 1, 1700, 8000);
  EXPECT_GT(tone, 100 * other + 1.0);
}

}  // namespace
