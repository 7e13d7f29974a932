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

TEST(CameraOptions, DefaultsStayAsTheyWere) {
  camera::Options o;
  ASSERT_EQ(parse({}, &o), "");
  EXPECT_EQ(o.clips.fhdWidth, 640);
  EXPECT_EQ(o.clips.fhdHeight, 360);
  EXPECT_EQ(o.clips.hdWidth, 320);
  EXPECT_EQ(o.clips.hdHeight, 180);
  EXPECT_EQ(o.clips.pattern, "testsrc2");
  EXPECT_EQ(o.clips.label, "");
  EXPECT_EQ(o.clips.toneHz, 440);
  EXPECT_EQ(o.sessions, 1);
}

TEST(CameraOptions, TheDemoCamera) {
  camera::Options o;
  ASSERT_EQ(parse({"--fhd", "1920x1080", "--hd", "1280x720", "--fps", "25", "--pattern", "mandelbrot", "--label",
                   "Garden: east", "--tone", "660", "--sessions", "0", "--lifetime", "3600", "--clip-seconds", "6"},
                  &o),
            "");
  EXPECT_EQ(o.clips.fhdWidth, 1920);
  EXPECT_EQ(o.clips.fhdHeight, 1080);
  EXPECT_EQ(o.clips.hdWidth, 1280);
  EXPECT_EQ(o.clips.hdHeight, 720);
  EXPECT_EQ(o.clips.pattern, "mandelbrot");
  EXPECT_EQ(o.clips.label, "Garden: east");
  EXPECT_EQ(o.clips.toneHz, 660);
  EXPECT_EQ(o.sessions, 0);
  EXPECT_EQ(o.lifetimeSeconds, 3600);
  EXPECT_EQ(o.clips.seconds, 6);
}

TEST(CameraOptions, RefusedValues) {
  const std::vector<std::vector<std::string>> bad = {
      {"--fhd", "1921x1080"}, {"--fhd", "1920"},   {"--fhd", "8x8"},         {"--hd", "1280x"},
      {"--hd", "x720"},       {"--fhd", "4000x2000"}, {"--pattern", "nothing"}, {"--pattern"},
      {"--tone", "4000"},     {"--tone", "20"},      {"--sessions", "-1"},     {"--lifetime", "3601"},
  };
  for (const auto& args : bad) {
    camera::Options o;
    EXPECT_NE(parse(args, &o), "") << args[0] << " " << (args.size() > 1 ? args[1] : "");
  }
}

}  // namespace
