#include "view/letterbox.h"

#include <gtest/gtest.h>

TEST(Letterbox, TargetRectangleTable) {
  const struct {
    int width, height;
    int x, y, w, h;  // y before the title-bar offset
  } cases[] = {
      {800, 600, 0, 75, 800, 450},    // a 1280x720 frame in 800x600
      {1000, 300, 233, 0, 533, 300},  // H would be 562
      {640, 360, 0, 0, 640, 360},     // exactly 16:9
      {801, 600, 0, 75, 801, 450},    // 450.5625 truncated
      {1001, 301, 233, 0, 535, 301},  // 535.11 truncated
      {15, 10, 0, 1, 15, 8},
      {7, 1, 3, 0, 1, 1},
      {0, 0, 0, 0, 0, 0},
      {1920, 1200, 0, 60, 1920, 1080},
      {1280, 1024, 0, 152, 1280, 720},
      {2560, 1080, 320, 0, 1920, 1080},
  };
  for (int titleBar : {0, 20}) {
    for (const auto& c : cases) {
      EXPECT_EQ(letterboxRect(c.width, c.height, titleBar), QRect(c.x, c.y + titleBar, c.w, c.h))
          << c.width << "x" << c.height << " title bar " << titleBar;
    }
  }
}
