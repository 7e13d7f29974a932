// The simulated camera's switches: what each sets, and the values it refuses.
#include "camera_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string parse(std::vector<std::string> args, camera::Options* o) {
  args.insert(args.begin(), {"sim_camera", "--id", "CAM1"});
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(&a[0]);
  return camera::parseOptions(int(argv.size()), argv.data(), o);
}

// What the media and link switches set, side by side.
std::string media(const camera::Options& o) {
  const camera::ClipRequest& c = o.clips;
  return std::to_string(c.fhdWidth) + "x" + std::to_string(c.fhdHeight) + " " + std::to_string(c.hdWidth) + "x" +
         std::to_string(c.hdHeight) + " " + c.pattern + " [" + c.label + "] " + std::to_string(c.toneHz) + " Hz " +
         std::to_string(c.seconds) + " s, sessions " + std::to_string(o.sessions) + ", lifetime " +
         std::to_string(o.lifetimeSeconds);
}

TEST(CameraOptions, WhatTheSwitchesSet) {
  struct Case {
    std::vector<std::string> args;
    std::string expected;
  } cases[] = {
      {{}, "640x360 320x180 testsrc2 [] 440 Hz 2 s, sessions 1, lifetime 60"},  // as before the switches came
      {{"--fhd", "1920x1080", "--hd", "1280x720", "--fps", "25", "--pattern", "mandelbrot", "--label", "Garden: east",
        "--tone", "660", "--sessions", "0", "--lifetime", "3600", "--clip-seconds", "6"},
       "1920x1080 1280x720 mandelbrot [Garden: east] 660 Hz 6 s, sessions 0, lifetime 3600"},
      {{"--hd", "16x16", "--pattern", "life", "--tone", "3900"}, "640x360 16x16 life [] 3900 Hz 2 s, sessions 1, lifetime 60"},
  };
  for (const Case& c : cases) {
    camera::Options o;
    ASSERT_EQ(parse(c.args, &o), "");
    EXPECT_EQ(media(o), c.expected);
  }
  camera::Options o;
  ASSERT_EQ(parse({"--snapshot", "/tmp/x.jpeg"}, &o), "");
  EXPECT_EQ(o.snapshot, "/tmp/x.jpeg");
}

// The stream switches, one by one and as the field camera's set.
std::string stream(const camera::Options& o) {
  const camera::ClipRequest& c = o.clips;
  const char* const profiles[] = {"baseline", "main", "high"};
  return std::string(profiles[int(c.profile)]) + " " + std::to_string(c.bitrateKbit) + "k gop " +
         std::to_string(c.gop) + (c.keepDelimiters ? " delimiters" : "") + (o.epochStamps ? " epoch" : " steady") +
         (o.protocol.encAV ? " rc4" : "") + " in-flight " + std::to_string(o.inFlightPackets);
}

TEST(CameraOptions, WhatTheStreamSwitchesSet) {
  struct Case {
    std::vector<std::string> args;
    std::string expected;
  } cases[] = {
      {{}, "baseline 0k gop 0 steady in-flight 0"},
      {{"--profile", "high", "--bitrate", "800", "--gop", "50"}, "high 800k gop 50 steady in-flight 0"},
      {{"--delimiters", "--stamps", "epoch", "--in-flight", "96"}, "baseline 0k gop 0 delimiters epoch in-flight 96"},
      {{"--field-stream"}, "main 1500k gop 25 delimiters epoch rc4 in-flight 96"},
      {{"--field-stream", "--profile", "high", "--stamps", "steady", "--in-flight", "1024"},
       "high 1500k gop 25 delimiters steady rc4 in-flight 1024"},
      {{"--field-stream", "--no-enc-av"}, "main 1500k gop 25 delimiters epoch in-flight 96"},
  };
  for (const Case& c : cases) {
    camera::Options o;
    ASSERT_EQ(parse(c.args, &o), "");
    EXPECT_EQ(stream(o), c.expected);
  }
}

TEST(CameraOptions, RefusedValues) {
  const std::vector<std::vector<std::string>> bad = {
      {"--fhd", "1921x1080"}, {"--fhd", "1920"},   {"--fhd", "8x8"},         {"--hd", "1280x"},
      {"--hd", "x720"},       {"--fhd", "4000x2000"}, {"--pattern", "nothing"}, {"--pattern"},
      {"--tone", "4000"},     {"--tone", "20"},      {"--sessions", "-1"},     {"--lifetime", "3601"}, {"--snapshot", ""},
      {"--profile", "extended"}, {"--bitrate", "10"}, {"--gop", "0"}, {"--stamps", "wall"}, {"--in-flight", "0"},
      {"--in-flight", "2000"}, {"--codec", "h265", "--profile", "main"}, {"--field-stream", "--codec", "h265"},
  };
  for (const auto& args : bad) {
    camera::Options o;
    EXPECT_NE(parse(args, &o), "") << args[0] << " " << (args.size() > 1 ? args[1] : "");
  }
}

}  // namespace
