#include "adapter_hardWare/AdapterHardware.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDesktopWidget>

TEST(ScreenScale, FactorsForScreenSizes) {
  const struct {
    int w, h;
    double ws, hs;
  } cases[] = {
      {1920, 1080, 0.5, 0.5},
      {2560, 1440, 2560 / 1920.0 * 0.5, 1440 / 1080.0 * 0.5},
      {1366, 768, 0.35572916666666665, 0.35555555555555557},
      {3840, 2160, 1.0, 1.0},
      {1280, 1024, 0.33333333333333331, 0.47407407407407409},
  };
  for (const auto& c : cases) {
    EXPECT_DOUBLE_EQ(AdapterHardware::widthScaleFor(c.w), c.ws) << c.w;
    EXPECT_DOUBLE_EQ(AdapterHardware::heightScaleFor(c.h), c.hs) << c.h;
  }
  EXPECT_NEAR(AdapterHardware::widthScaleFor(2560), 0.6666666, 1e-6);
}

TEST(ScreenScale, ScaledDesignSizesTruncateTowardZero) {
  const double w1366 = AdapterHardware::widthScaleFor(1366);
  const struct {
    double design, factor;
    int expected;
  } cases[] = {
      {38, w1366, 13},    // 13.517...
      {96, 0.5, 48},
      {48, 0.5, 24},
      {1, 0.5, 0},        // 0.5 -> 0
      {-38, w1366, -13},  // toward zero, not down
      {2159, AdapterHardware::heightScaleFor(768), 767},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(AdapterHardware::scaled(c.design, c.factor), c.expected) << c.design;
  }
}

TEST(ScreenScale, WindowsVersionNames) {
  const struct {
    int value;
    const char* name;
  } cases[] = {{0x30, "Windows XP"}, {0x40, "Windows Server 2003"}, {0x80, "Windows Vista"},
               {0x90, "Windows 7"},  {0xA0, "Windows 8"},           {0xB0, "Windows 8.1"},
               {0xC0, "Windows 10"}, {0x00, ""},                    {0xD0, ""}};
  for (const auto& c : cases) {
    EXPECT_EQ(AdapterHardware::windowsVersionName(c.value).toStdString(), c.name) << c.value;
  }
}

// set_screen measures the default screen of the desktop (offscreen platform here).
TEST(ScreenScale, SetScreenMeasuresTheDesktop) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  int argc = 1;
  char arg0[] = "adapter_hardware_test";
  char* argv[] = {arg0, nullptr};
  QApplication app(argc, argv);
  AdapterHardware hw;
  EXPECT_DOUBLE_EQ(hw.widthScale, 1.0);
  EXPECT_DOUBLE_EQ(hw.heightScale, 1.0);
  hw.set_screen();
  QT_WARNING_PUSH
  QT_WARNING_DISABLE_DEPRECATED
  const QRect g = QApplication::desktop()->screenGeometry(-1);
  QT_WARNING_POP
  ASSERT_GT(g.width(), 0);
  EXPECT_DOUBLE_EQ(hw.widthScale, g.width() / 1920.0 * 0.5);
  EXPECT_DOUBLE_EQ(hw.heightScale, g.height() / 1080.0 * 0.5);
  EXPECT_EQ(hw.sx(3840), g.width());
}
