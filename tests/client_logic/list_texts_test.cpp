#include "event/list_texts.h"

#include <gtest/gtest.h>

#include "../cloud/qt_print.h"

TEST(ListTexts, DeviceCount) {
  const struct {
    int n;
    const char* text;
  } cases[] = {
      {0, "0 device"}, {1, "1 device"}, {2, "2 devices"}, {3, "3 devices"}, {120, "120 devices"}};
  for (const auto& c : cases) EXPECT_EQ(deviceCountText(c.n), QString(c.text)) << c.n;
}
