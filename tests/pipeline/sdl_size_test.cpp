// SDL is told the render widget's size only when that size changed: each
// telling (SDL_SetWindowSize) costs X round trips, and a present per
// picture must not pay them. The test binary's own SDL_SetWindowSize stands
// in front of the library's, counts the calls and passes them on.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <QApplication>
#include <QGuiApplication>
#include <QTest>

#include <SDL.h>

#include <functional>
#include <vector>

#include "view/VideoPlayView.h"

namespace {

int sizeCalls = 0;
QSize lastSize;

}  // namespace

extern "C" void SDL_SetWindowSize(SDL_Window* window, int w, int h) {
  using Real = void (*)(SDL_Window*, int, int);
  static const auto real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "SDL_SetWindowSize"));
  ++sizeCalls;
  lastSize = QSize(w, h);
  real(window, w, h);
}

namespace {

TEST(SDLRenderWndSize, SdlIsToldTheSizeOnlyWhenItChanged) {
  ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
  sizeCalls = 0;  // this widget's own tellings (other tests of the binary made theirs)
  std::vector<uint8_t> picture(320 * 180 * 3 / 2, 128);
  SDLRenderWnd w;
  ASSERT_TRUE(w.sdlReady());
  w.setGeometry(50, 50, 640, 360);
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w, 60000));
  const auto present = [&](int times) {
    for (int i = 0; i < times; ++i) w.PresentFrame(picture.data(), 320, 180);
  };
  const auto resize = [&](int width, int height) {
    w.resize(width, height);
    QApplication::processEvents();
  };
  const struct {
    const char* step;
    std::function<void()> act;
    int newCalls;  // tellings the step makes
    QSize told;    // the size SDL knows afterwards
  } steps[] = {
      {"pictures at the shown size", [&] { present(30); }, 0, {640, 360}},
      {"a resize", [&] { resize(800, 450); }, 1, {800, 450}},
      {"pictures after it", [&] { present(30); }, 0, {800, 450}},
      {"redrawn without a play", [&] { w.redraw_last_frame(); }, 0, {800, 450}},
      {"a resize back", [&] { resize(640, 360); }, 1, {640, 360}},
      {"a resize to the same size", [&] { resize(640, 360); }, 0, {640, 360}},
      {"pictures at a new picture size", [&] {
         std::vector<uint8_t> larger(640 * 360 * 3 / 2, 90);
         for (int i = 0; i < 10; ++i) w.PresentFrame(larger.data(), 640, 360);
       }, 0, {640, 360}},
  };
  // Up to here the size was told at most once per change (the first show).
  ASSERT_LE(sizeCalls, 2);
  for (const auto& s : steps) {
    SCOPED_TRACE(s.step);
    const int before = sizeCalls;
    s.act();
    EXPECT_EQ(sizeCalls - before, s.newCalls);
    EXPECT_EQ(lastSize, s.told);
  }
}

}  // namespace
