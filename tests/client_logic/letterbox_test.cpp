#include "view/letterbox.h"

#include <gtest/gtest.h>

TEST(Letterbox, TargetRectangleTable) {
  const struct {
    int width, height;
    int x, y, w, h;
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
      {3840, 2080, 71, 0, 3697, 2080},  // a full-screen view's video above its button bar
  };
  for (const auto& c : cases) {
    const QRect r = letterboxRect(c.width, c.height);
    EXPECT_EQ(r, QRect(c.x, c.y, c.w, c.h)) << c.width << "x" << c.height;
    // The picture's first and last rows and columns are inside the widget.
    if (c.width > 0 && c.height > 0) {
      EXPECT_TRUE(QRect(0, 0, c.width, c.height).contains(r)) << c.width << "x" << c.height;
    }
  }
}
