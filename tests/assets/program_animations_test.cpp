// The two animations: QMovie plays them (more than one frame, looping),
// ffmpeg reads as many frames, and the tile mark is see-through.
#include "asset_test_support.h"

#include <gtest/gtest.h>

#include <QEventLoop>
#include <QMovie>
#include <QPixmap>
#include <QTimer>

namespace {

const struct {
  const char* file;
  QSize size;
  bool seeThrough;  // shown over a camera picture
} kAnimations[] = {
    {"login.gif", {640, 300}, false},
    {"playing.gif", {34, 42}, true},
};

TEST(ProgramAnimations, DecodeAsLoopingAnimationsOfTheirSize) {
  assettest::ensureApplication();
  for (const auto& a : kAnimations) {
    SCOPED_TRACE(a.file);
    const QString path = assettest::programFile(QString("Orvanta_image/") + a.file);
    QMovie movie(path);
    ASSERT_TRUE(movie.isValid());
    EXPECT_GT(movie.frameCount(), 1);
    EXPECT_EQ(movie.loopCount(), -1);  // for ever

    const QVector<QImage> frames = assettest::qtFrames(path);
    ASSERT_EQ(frames.size(), movie.frameCount());
    for (const QImage& f : frames) EXPECT_EQ(f.size(), a.size);
    EXPECT_NE(frames[0], frames[1]);
    EXPECT_EQ(assettest::ffmpegFrames(path, a.size).size(), frames.size()) << "ffmpeg's frame count";

    const QRgb corner = frames[0].pixel(0, 0);
    if (a.seeThrough) {
      EXPECT_EQ(qAlpha(corner), 0);
    } else {
      EXPECT_EQ(corner, qRgb(255, 255, 255)) << "the sign-in dialog is white";
    }
  }
}

// Started as the widgets start it, the movie runs through all its frames
// and begins again.
TEST(ProgramAnimations, QMoviePlaysThemRoundAndAgain) {
  assettest::ensureApplication();
  for (const auto& a : kAnimations) {
    SCOPED_TRACE(a.file);
    QMovie movie(assettest::programFile(QString("Orvanta_image/") + a.file));
    movie.setScaledSize(a.size / 2);  // the widgets scale to the screen
    int changes = 0;
    bool wrapped = false;
    QEventLoop loop;
    QObject::connect(&movie, &QMovie::frameChanged, [&](int frame) {
      ++changes;
      EXPECT_EQ(movie.currentPixmap().size(), a.size / 2);
      if (changes > 1 && frame == 0) {
        wrapped = true;
        loop.quit();
      }
    });
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    limit.start(20000);  // bound only; the loop ends when the movie wraps
    movie.start();
    loop.exec();
    movie.stop();
    EXPECT_TRUE(wrapped);
    EXPECT_GT(changes, movie.frameCount());
  }
}

}  // namespace
