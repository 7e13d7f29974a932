// A real Qt window on the private X server: shown at its asked size on a
// screen where design units are pixels, and read back by a screenshot.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPalette>
#include <QScreen>
#include <QTest>
#include <QWidget>

#include "test_artifacts.h"
#include "xvfb_server.h"

namespace {

TEST(XvfbQtWindow, WindowIsDrawnOnTheXcbScreenAndScreenshotsSeeIt) {
  ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
  ASSERT_EQ(QGuiApplication::primaryScreen()->size(), QSize(3840, 2160));
  QWidget w;
  QPalette pal = w.palette();
  pal.setColor(QPalette::Window, QColor(0x68, 0xBF, 0x39));
  w.setPalette(pal);
  w.setAutoFillBackground(true);
  w.setGeometry(100, 100, 400, 300);
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w, 60000));
  QImage shot;
  QElapsedTimer t;
  t.start();
  do {  // the first frame can take a moment to reach the server
    QApplication::processEvents();
    shot = QGuiApplication::primaryScreen()->grabWindow(w.winId()).toImage();
  } while (shot.pixelColor(200, 150) != QColor(0x68, 0xBF, 0x39) && t.elapsed() < 5000);
  EXPECT_EQ(shot.size(), QSize(400, 300));
  EXPECT_EQ(shot.pixelColor(200, 150), QColor(0x68, 0xBF, 0x39));
  const std::string png = testsupport::artifactsDir("xvfb_window_test") + "/screen.png";
  std::string error;
  ASSERT_TRUE(testsupport::xvfbServer->screenshot(png, &error)) << error;
}

}  // namespace
