#include "adapter_hardWare/AdapterHardware.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDesktopWidget>

#include "test_application.h"

TEST(ScreenScale, FactorsForScreenSizes) {
  const struct {
    int w, h;
    double ws, hs;
  } cases[] = {
      {1920, 1080, 0.5, 0.5},
      {2560, 1440, 0.6666666666666666, 0.6666666666666666},
      {1366, 768, 0.35572916666666665, 0.35555555555555557},
      {3840, 2160, 1.0, 1.0},
      {1280, 1024, 0.33333333333333331, 0.47407407407407409},
  };
  for (const auto& c : cases) {
    EXPECT_DOUBLE_EQ(AdapterHardware::widthScaleFor(c.w), c.ws) << c.w;
    EXPECT_DOUBLE_EQ(AdapterHardware::heightScaleFor(c.h), c.hs) << c.h;
  }
}

TEST(ScreenScale, ScaledDesignSizesTruncateTowardZero) {
  const double w1366 = 0.35572916666666665;  // 1366 pixels wide
  const double h768 = 0.35555555555555557;   // 768 pixels high
  const struct {
    double design, factor;
    int expected;
  } cases[] = {
      {38, w1366, 13},    // 13.517...
      {96, 0.5, 48},
      {48, 0.5, 24},
      {1, 0.5, 0},        // 0.5 -> 0
      {-38, w1366, -13},  // toward zero, not down
      {2159, h768, 767},  // 767.644...
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

// set_screen measures the default screen of the desktop: the offscreen
// platform's one screen is 800 x 600.
TEST(ScreenScale, SetScreenMeasuresTheDesktop) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  int argc = 1;
  char arg0[] = "adapter_hardware_test";
  char* argv[] = {arg0, nullptr};
  testsupport::TestApplication app(argc, argv);
  AdapterHardware hw;
  EXPECT_DOUBLE_EQ(hw.widthScale, 1.0);
  EXPECT_DOUBLE_EQ(hw.heightScale, 1.0);
  hw.set_screen();
  QT_WARNING_PUSH
  QT_WARNING_DISABLE_DEPRECATED
  const QRect g = QApplication::desktop()->screenGeometry(-1);
  QT_WARNING_POP
  ASSERT_EQ(g, QRect(0, 0, 800, 600));
  EXPECT_DOUBLE_EQ(hw.widthScale, 0.20833333333333334);
  EXPECT_DOUBLE_EQ(hw.heightScale, 0.2777777777777778);
  EXPECT_EQ(hw.sx(3840), 800);
}
