#include "device/play_timing.h"

#include <gtest/gtest.h>

#include "../cloud/qt_print.h"

TEST(PlayTiming, DisplayTickFromFps) {
  const struct {
    int fps;
    int ms;
  } cases[] = {{25, 35}, {15, 55},  {0, 333},    {255, 3}, {30, 30},
               {1, 250}, {-3, 333}, {-100, 333}, {1000, 3}};
  for (const auto& c : cases) EXPECT_EQ(sdlRefreshTimeForFps(c.fps), c.ms) << c.fps;
}

TEST(PlayTiming, RecordTimeBadge) {
  const struct {
    qint64 seconds;
    const char* text;
  } cases[] = {
      {0, "00:00:00"},      {59, "00:00:59"},      {60, "00:01:00"},
      {3599, "00:59:59"},   {3600, "01:00:00"},    {3661, "01:01:01"},
      {359999, "99:59:59"}, {360000, "100:00:00"}, {-5, "00:00:00"},
  };
  for (const auto& c : cases) EXPECT_EQ(recordTimeText(c.seconds), QString(c.text)) << c.seconds;
}
