// The render widget on Qt's offscreen platform while an X display is
// reachable: the widget's window id is no X window, so SDL must not be
// handed it (Xlib would end the process). The widget logs, draws nothing,
// and the program goes on.
#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>

#include <cstdlib>
#include <string>
#include <vector>

#include "netns_test.h"
#include "view/VideoPlayView.h"
#include "xvfb_server.h"

namespace {

TEST(SDLRenderWndOffscreen, NoSdlWindowOnAFakeWindowId) {
  REQUIRE_PRIVATE_NETNS();
  ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("offscreen"));
  testsupport::XvfbServer x;
  std::string error;
  ASSERT_TRUE(x.start(640, 480, &error)) << error;
  x.exportDisplay();  // SDL's X11 driver starts: only the binding must not happen
  {
    SDLRenderWnd w;
    w.resize(320, 180);
    w.show();
    EXPECT_FALSE(w.sdlReady());
    std::vector<uint8_t> picture(320 * 180 * 3 / 2, 128);
    w.PresentFrame(picture.data(), 320, 180);
    w.resize(640, 360);
    QApplication::processEvents();
  }
  unsetenv("DISPLAY");
  EXPECT_EQ(SDLRenderWnd::renderWndCount, 0);
}

}  // namespace
