// The render widget on a private X server: pictures drawn by SDL into the
// 16:9 rectangle centred in the widget at several sizes (a full-screen view's
// video among them: its first and last picture rows inside the widget) and
// after a resize, read back from the screen; the widget drawn again when a
// window closed over it uncovers it (an empty cell black, a stopped one its
// last picture); and the dummy SDL driver's failure path, which draws
// nothing and keeps the program alive.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QWidget>
#include <QTest>

#include <SDL.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "test_artifacts.h"
#include "view/VideoPlayView.h"
#include "view/letterbox.h"

namespace {

// A 320x180 I420 picture: left half red, right half blue.
std::vector<uint8_t> twoColourPicture(int w = 320, int h = 180) {
  std::vector<uint8_t> p(size_t(w) * size_t(h) * 3 / 2);
  uint8_t* y = p.data();
  uint8_t* u = y + w * h;
  uint8_t* v = u + (w / 2) * (h / 2);
  for (int r = 0; r < h; ++r)
    for (int c = 0; c < w; ++c) y[r * w + c] = c < w / 2 ? 81 : 41;
  for (int r = 0; r < h / 2; ++r)
    for (int c = 0; c < w / 2; ++c) {
      const bool left = c < w / 4;
      u[r * (w / 2) + c] = left ? 90 : 240;
      v[r * (w / 2) + c] = left ? 240 : 110;
    }
  return p;
}

bool isRed(QColor c) { return c.red() > 160 && c.green() < 90 && c.blue() < 90; }
bool isBlue(QColor c) { return c.blue() > 160 && c.red() < 90 && c.green() < 90; }
bool isBlack(QColor c) { return c.red() < 30 && c.green() < 30 && c.blue() < 30; }

// Presents the picture (twice: on GL the first present after a size change
// can be stale) and grabs the widget's window until the picture shows.
QImage presentAndGrab(SDLRenderWnd& w, const std::vector<uint8_t>& picture, const QRect& expect) {
  QImage shot;
  QElapsedTimer t;
  t.start();
  const QPoint probe(expect.left() + expect.width() / 4, std::min(expect.center().y(), w.height() - 2));
  do {
    w.PresentFrame(picture.data(), 320, 180);
    w.PresentFrame(picture.data(), 320, 180);
    QApplication::processEvents();
    shot = QGuiApplication::primaryScreen()->grabWindow(w.winId()).toImage();
  } while (!isRed(shot.pixelColor(probe)) && t.elapsed() < 5000);
  return shot;
}

void saveShot(const QImage& shot, const std::string& name) {
  shot.save(QString::fromStdString(testsupport::artifactsDir("pipeline_render") + "/" + name + ".png"));
}

// Inside the rectangle: red on its left, blue on its right; outside it black.
void expectLetterbox(const QImage& shot, const QRect& r, const std::string& what) {
  SCOPED_TRACE(what);
  const int w = shot.width(), h = shot.height();
  const int midY = std::min(r.top() + r.height() / 2, h - 2);
  EXPECT_TRUE(isRed(shot.pixelColor(r.left() + 3, midY))) << shot.pixelColor(r.left() + 3, midY).name().toStdString();
  EXPECT_TRUE(isRed(shot.pixelColor(r.left() + r.width() / 4, midY)));
  EXPECT_TRUE(isBlue(shot.pixelColor(r.left() + r.width() * 3 / 4, midY)));
  EXPECT_TRUE(isBlue(shot.pixelColor(r.right() - 3, midY)));
  if (r.top() + 3 < h) {
    EXPECT_FALSE(isBlack(shot.pixelColor(r.left() + r.width() / 4, r.top() + 3)));
  }
  if (r.top() >= 4) {
    EXPECT_TRUE(isBlack(shot.pixelColor(w / 2, r.top() - 3))) << "above the picture";
  }
  if (r.bottom() + 4 < h) {
    EXPECT_TRUE(isBlack(shot.pixelColor(w / 2, r.bottom() + 3))) << "below the picture";
  }
  if (r.left() >= 4) {
    EXPECT_TRUE(isBlack(shot.pixelColor(r.left() - 3, midY))) << "left of the picture";
  }
  if (r.right() + 4 < w) {
    EXPECT_TRUE(isBlack(shot.pixelColor(r.right() + 3, midY))) << "right of the picture";
  }
}

struct SizeCase {
  int width, height;
  QRect expect;
};

TEST(SDLRenderWndOnX, PictureFillsTheSixteenByNineRectangleAtEachSize) {
  ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
  const SizeCase cases[] = {
      {800, 600, QRect(0, 75, 800, 450)},   // letterbox above and below
      {1000, 300, QRect(233, 0, 533, 300)}, // pillarbox left and right
      {640, 360, QRect(0, 0, 640, 360)},    // exactly 16:9
      // The video of a full-screen view on this 3840x2160 screen, above the
      // view's 80-pixel button bar.
      {3840, 2080, QRect(71, 0, 3697, 2080)},
  };
  const std::vector<uint8_t> picture = twoColourPicture();
  for (const SizeCase& c : cases) {
    SDLRenderWnd w;
    ASSERT_TRUE(w.sdlReady());
    w.setGeometry(50, 50, c.width, c.height);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w, 60000));
    const QRect r = c.expect;
    EXPECT_EQ(w.targetRect(), r);
    EXPECT_EQ(letterboxRect(c.width, c.height), r);
    const QImage shot = presentAndGrab(w, picture, r);
    const std::string size = std::to_string(c.width) + "x" + std::to_string(c.height);
    saveShot(shot, size);
    ASSERT_EQ(shot.size(), QSize(c.width, c.height));
    expectLetterbox(shot, r, size);
    // The picture's first and last rows are on the screen, in the widget.
    const int x = r.left() + r.width() / 4;
    EXPECT_TRUE(isRed(shot.pixelColor(x, r.top()))) << size << " first row";
    EXPECT_TRUE(isRed(shot.pixelColor(x, r.bottom()))) << size << " last row";
  }
  EXPECT_EQ(SDLRenderWnd::renderWndCount, 0);
}

TEST(SDLRenderWndOnX, AfterAResizeThePictureFollowsTheNewSize) {
  const std::vector<uint8_t> picture = twoColourPicture();
  SDLRenderWnd w;
  ASSERT_TRUE(w.sdlReady());
  w.setGeometry(50, 50, 800, 600);
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w, 60000));
  presentAndGrab(w, picture, w.targetRect());
  w.resize(1000, 300);
  QElapsedTimer t;
  t.start();
  while (w.size() != QSize(1000, 300) && t.elapsed() < 5000) QApplication::processEvents();
  ASSERT_EQ(w.size(), QSize(1000, 300));
  const QRect r = QRect(233, 0, 533, 300);
  // Stopped (no play draws): the resize itself redraws the last picture.
  QImage shot;
  t.restart();
  do {
    QApplication::processEvents();
    shot = QGuiApplication::primaryScreen()->grabWindow(w.winId()).toImage();
  } while (!isRed(shot.pixelColor(r.left() + r.width() / 4, r.center().y())) && t.elapsed() < 3000);
  saveShot(shot, "resized_redraw");
  EXPECT_TRUE(isRed(shot.pixelColor(r.left() + r.width() / 4, r.center().y())));
  // A new picture at the new size: the whole 1000x300 surface is SDL's.
  shot = presentAndGrab(w, picture, r);
  saveShot(shot, "resized_1000x300");
  expectLetterbox(shot, r, "after resize");
}

// A plain white window of its own over `area` (screen coordinates), shown
// until it is on the screen, then closed again.
void coverAndUncover(const QRect& area, const std::string& coveredShot) {
  QWidget cover;
  cover.setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
  cover.setAutoFillBackground(true);
  QPalette p = cover.palette();
  p.setColor(QPalette::Window, Qt::white);
  cover.setPalette(p);
  cover.setGeometry(area);
  cover.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&cover, 5000));
  QImage shot;
  QElapsedTimer t;
  t.start();
  do {
    QApplication::processEvents();
    shot = QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(),
                                                        area.height()).toImage();
  } while (shot.pixelColor(area.width() / 2, area.height() / 2) != QColor(Qt::white) &&
           t.elapsed() < 5000);
  saveShot(shot, coveredShot);
  ASSERT_EQ(shot.pixelColor(area.width() / 2, area.height() / 2), QColor(Qt::white));
  cover.close();
}

// The widget's own picture on the screen, once `drawn` accepts it (bounded).
QImage grabUntil(SDLRenderWnd& w, const std::function<bool(const QImage&)>& drawn) {
  QImage shot;
  QElapsedTimer t;
  t.start();
  do {
    QApplication::processEvents();
    shot = QGuiApplication::primaryScreen()->grabWindow(w.winId()).toImage();
  } while (!drawn(shot) && t.elapsed() < 5000);
  return shot;
}

int countWhite(const QImage& shot) {
  int n = 0;
  for (int y = 0; y < shot.height(); ++y)
    for (int x = 0; x < shot.width(); ++x) n += shot.pixelColor(x, y).lightness() > 200 ? 1 : 0;
  return n;
}

TEST(SDLRenderWndOnX, AWindowClosedOverItLeavesNothingBehind) {
  ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
  // An empty grid cell: no picture ever, black once shown.
  SDLRenderWnd empty;
  ASSERT_TRUE(empty.sdlReady());
  empty.setGeometry(100, 100, 640, 480);
  empty.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&empty, 5000));
  const auto allBlack = [](const QImage& shot) { return countWhite(shot) == 0; };
  ASSERT_TRUE(allBlack(grabUntil(empty, allBlack)));
  ASSERT_NO_FATAL_FAILURE(coverAndUncover(QRect(300, 250, 300, 200), "empty_cell_covered"));
  QImage shot = grabUntil(empty, allBlack);
  saveShot(shot, "empty_cell_uncovered");
  EXPECT_EQ(countWhite(shot), 0) << "pieces of the closed window stay in the empty cell";
  empty.hide();

  // A stopped cell: its last picture comes back, black around it.
  SDLRenderWnd stopped;
  ASSERT_TRUE(stopped.sdlReady());
  stopped.setGeometry(100, 100, 800, 600);
  stopped.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&stopped, 5000));
  const QRect r = stopped.targetRect();  // (0, 75, 800, 450)
  presentAndGrab(stopped, twoColourPicture(), r);
  // Over the bar above the picture and the picture's left half.
  ASSERT_NO_FATAL_FAILURE(coverAndUncover(QRect(150, 120, 300, 300), "stopped_cell_covered"));
  const QPoint picture(r.left() + r.width() / 4, r.center().y());
  const QPoint bar(200, r.top() / 2);
  shot = grabUntil(stopped, [&](const QImage& s) {
    return isRed(s.pixelColor(picture)) && isBlack(s.pixelColor(bar));
  });
  saveShot(shot, "stopped_cell_uncovered");
  EXPECT_EQ(countWhite(shot), 0);
  expectLetterbox(shot, r, "after the window closed");
}

TEST(SDLRenderWndOnX, TwoWidgetsShareOneSdlStartUp) {
  {
    SDLRenderWnd a;
    EXPECT_EQ(SDLRenderWnd::renderWndCount, 1);
    {
      SDLRenderWnd b;
      EXPECT_EQ(SDLRenderWnd::renderWndCount, 2);
      EXPECT_NE(SDL_WasInit(SDL_INIT_VIDEO), 0u);
    }
    EXPECT_EQ(SDLRenderWnd::renderWndCount, 1);
    EXPECT_NE(SDL_WasInit(SDL_INIT_VIDEO), 0u) << "destroying one of two widgets shut SDL down";
  }
  EXPECT_EQ(SDLRenderWnd::renderWndCount, 0);
  EXPECT_EQ(SDL_WasInit(SDL_INIT_VIDEO), 0u);
}

// This X server has no GPU behind it: OpenGL would be a software
// rasterizer, so the pictures are drawn by SDL's software renderer, and its
// window surface goes to the screen through X, not through GL again (the
// pictures above were drawn so).
TEST(SDLRenderWndOnX, WithoutAGpuSdlsSoftwareRendererDraws) {
  SDLRenderWnd w;
  ASSERT_TRUE(w.sdlReady());
  EXPECT_EQ(w.rendererName(), QStringLiteral("software"));
  const char* viaGl = SDL_GetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION);
  ASSERT_NE(viaGl, nullptr);
  EXPECT_STREQ(viaGl, "0");
  SDLRenderWnd second;  // decided once: the next widget takes it at once
  EXPECT_EQ(second.rendererName(), QStringLiteral("software"));
}

TEST(SDLRenderWndOnX, DummyDriverDrawsNothingAndLivesOn) {
  ASSERT_EQ(SDLRenderWnd::renderWndCount, 0) << "SDL must start afresh with the dummy driver";
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  {
    SDLRenderWnd w;
    w.resize(320, 180);
    w.show();
    EXPECT_FALSE(w.sdlReady());
    const std::vector<uint8_t> picture = twoColourPicture();
    w.PresentFrame(picture.data(), 320, 180);  // logs and draws nothing
    w.redraw_last_frame();
    w.resize(640, 360);
    QApplication::processEvents();
  }
  unsetenv("SDL_VIDEODRIVER");
  EXPECT_EQ(SDLRenderWnd::renderWndCount, 0);
}

}  // namespace
