#include "http_command/refresh_interval.h"

#include <gtest/gtest.h>

#include <climits>

TEST(RefreshInterval, ThreeQuartersOfTheLifetimeWithinBounds) {
  const struct {
    int expiresIn;
    int ms;
  } cases[] = {
      {7200, 5400000},
      {1, 1000},
      {0, 1000},
      {-1, 1000},
      {-7200, 1000},
      {INT_MIN, 1000},
      {2, 1000},              // 6 / 4 = 1
      {5, 3000},              // 15 / 4 = 3
      {2863311, 2147483000},  // the largest that fits
      {2863312, INT_MAX},     // 2,147,484,000 would not
      {1000000000, INT_MAX},  // E * 3 alone leaves int
      {INT_MAX, INT_MAX},
  };
  for (const auto& c : cases) EXPECT_EQ(refreshIntervalMs(c.expiresIn), c.ms) << c.expiresIn;
}
