#include "view/toast_geometry.h"

#include <gtest/gtest.h>

#include <limits>

TEST(ToastGeometry, RelativeValuesAreClamped) {
  const struct {
    double in;
    double stored;
  } cases[] = {
      {-0.2, -1.0}, {1.7, 1.0}, {0.0, 0.0},   {1.0, 1.0},
      {0.5, 0.5},   {0.8, 0.8}, {-1.0, -1.0}, {std::numeric_limits<double>::quiet_NaN(), -1.0}};
  for (const auto& c : cases) EXPECT_EQ(clampToastRelative(c.in), c.stored) << c.in;
}

TEST(ToastGeometry, PositionTable) {
  const struct {
    double rx, ry;
    QSize reference, own;
    std::optional<QPoint> pos;
  } cases[] = {
      {0.5, 0.8, {1920, 1080}, {200, 40}, QPoint(860, 844)},
      {0.5, 0.5, {1920, 1080}, {201, 41}, QPoint(859, 519)},  // 859.5, 519.5 truncated
      {0.0, 0.0, {800, 600}, {201, 41}, QPoint(-100, -20)},   // toward zero, not down
      {1.0, 1.0, {800, 600}, {100, 50}, QPoint(750, 575)},
      {0.5, 0.8, {3840, 2160}, {0, 0}, QPoint(1920, 1728)},
      {-1.0, 0.5, {1920, 1080}, {200, 40}, std::nullopt},
      {0.5, -1.0, {1920, 1080}, {200, 40}, std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(toastPosition(c.rx, c.ry, c.reference, c.own), c.pos) << c.rx << "," << c.ry;
  }
  EXPECT_EQ(toastPosition(clampToastRelative(-0.2), 0.5, {1920, 1080}, {200, 40}), std::nullopt);
  EXPECT_EQ(toastPosition(std::numeric_limits<double>::quiet_NaN(), 0.5, {1920, 1080}, {200, 40}),
            std::nullopt);
}
