// The GIF writer against two decoders nobody here wrote: Qt's reader and
// ffmpeg's. Frames whose pixels are palette colours must come back exact.
#include "asset_test_support.h"
#include "gif_writer.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>

#include <cstdint>

namespace {

using assets::GifAnimation;

enum class Pattern { Noise, Solid, Stripes, Gradient };

// A deterministic picture of palette colours; index `paletteSize` (one past
// the palette) is drawn as a transparent pixel when `holes` is set.
QImage paletteImage(QSize size, const QVector<QRgb>& palette, Pattern pattern, uint32_t seed, bool holes) {
  QImage image(size, QImage::Format_ARGB32);
  uint32_t state = seed * 2654435761u + 1;
  const int n = palette.size() + (holes ? 1 : 0);
  for (int y = 0; y < size.height(); ++y) {
    for (int x = 0; x < size.width(); ++x) {
      int index = 0;
      switch (pattern) {
        case Pattern::Noise:
          state = state * 1664525u + 1013904223u;
          index = static_cast<int>((state >> 16) % n);
          break;
        case Pattern::Solid: index = static_cast<int>(seed % n); break;
        case Pattern::Stripes: index = ((x / 3) + static_cast<int>(seed)) % n; break;
        case Pattern::Gradient: index = (x + y + static_cast<int>(seed)) % n; break;
      }
      image.setPixel(x, y, index < palette.size() ? palette[index] : qRgba(0, 0, 0, 0));
    }
  }
  return image;
}

QVector<QRgb> testPalette(int n) {
  QVector<QRgb> palette;
  for (int i = 0; i < n; ++i) palette.append(qRgb((i * 37) & 0xFF, (i * 101 + 7) & 0xFF, (255 - i) & 0xFF));
  return palette;
}

// Same picture: every opaque pixel equal; where the source is transparent
// only the alpha counts.
::testing::AssertionResult samePixels(const QImage& expected, const QImage& actual) {
  if (expected.size() != actual.size()) return ::testing::AssertionFailure() << "size differs";
  for (int y = 0; y < expected.height(); ++y) {
    for (int x = 0; x < expected.width(); ++x) {
      const QRgb e = expected.pixel(x, y), a = actual.pixel(x, y);
      const bool same = qAlpha(e) == 0 ? qAlpha(a) == 0 : e == a;
      if (!same) {
        return ::testing::AssertionFailure() << "pixel (" << x << "," << y << ") expected " << std::hex << e
                                             << " got " << a;
      }
    }
  }
  return ::testing::AssertionSuccess();
}

QString writeTemp(const QTemporaryDir& dir, const QByteArray& bytes) {
  const QString path = dir.filePath("test.gif");
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) return {};
  return path;
}

TEST(GifWriter, FramesComeBackExactFromQtAndFfmpeg) {
  const struct {
    const char* what;
    QSize size;
    int paletteSize;
    bool transparent;
    Pattern pattern;
    int frames;
  } cases[] = {
      // Noise fills the 4096-entry code table many times: code widths up to
      // 12 bits and the clear code in the middle of a frame.
      {"noise, 255 colours and transparency", {211, 157}, 255, true, Pattern::Noise, 3},
      {"noise, 256 colours", {160, 120}, 256, false, Pattern::Noise, 2},
      {"noise, 2 colours (smallest code size)", {97, 61}, 2, false, Pattern::Noise, 2},
      {"noise, 5 colours (odd table size)", {64, 64}, 5, true, Pattern::Noise, 2},
      {"one colour: long runs", {300, 200}, 4, false, Pattern::Solid, 3},
      {"stripes", {255, 40}, 17, false, Pattern::Stripes, 4},
      {"gradient", {256, 256}, 64, true, Pattern::Gradient, 2},
      {"one pixel", {1, 1}, 3, false, Pattern::Solid, 2},
  };
  assettest::ensureApplication();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    GifAnimation gif;
    gif.palette = testPalette(c.paletteSize);
    gif.transparent = c.transparent;
    for (int f = 0; f < c.frames; ++f) {
      gif.frames.append(paletteImage(c.size, gif.palette, c.pattern, 11u * f + 3, c.transparent));
    }
    QTemporaryDir dir;
    const QString path = writeTemp(dir, assets::encodeGif(gif));
    ASSERT_FALSE(path.isEmpty());

    const QVector<QImage> qt = assettest::qtFrames(path);
    const QVector<QImage> ff = assettest::ffmpegFrames(path, c.size);
    ASSERT_EQ(qt.size(), c.frames);
    ASSERT_EQ(ff.size(), c.frames);
    for (int f = 0; f < c.frames; ++f) {
      EXPECT_TRUE(samePixels(gif.frames[f], qt[f])) << "Qt, frame " << f;
      EXPECT_TRUE(samePixels(gif.frames[f], ff[f])) << "ffmpeg, frame " << f;
    }
  }
}

// Colours off the palette take the nearest entry; pixels below half alpha
// become transparent only when the animation is transparent.
TEST(GifWriter, MapsToNearestColourAndHalfAlpha) {
  assettest::ensureApplication();
  GifAnimation gif;
  gif.palette = {qRgb(0, 0, 0), qRgb(255, 255, 255), qRgb(0x68, 0xBF, 0x39)};
  gif.transparent = true;
  QImage frame(4, 1, QImage::Format_ARGB32);
  frame.setPixel(0, 0, qRgb(0x70, 0xB0, 0x40));     // near green
  frame.setPixel(1, 0, qRgb(200, 210, 220));        // near white
  frame.setPixel(2, 0, qRgba(250, 250, 250, 127));  // below half alpha
  frame.setPixel(3, 0, qRgba(10, 10, 10, 128));     // half alpha: opaque black
  gif.frames = {frame};
  QTemporaryDir dir;
  const QString path = writeTemp(dir, assets::encodeGif(gif));
  const QVector<QImage> qt = assettest::qtFrames(path);
  ASSERT_EQ(qt.size(), 1);
  EXPECT_EQ(qt[0].pixel(0, 0), qRgb(0x68, 0xBF, 0x39));
  EXPECT_EQ(qt[0].pixel(1, 0), qRgb(255, 255, 255));
  EXPECT_EQ(qAlpha(qt[0].pixel(2, 0)), 0);
  EXPECT_EQ(qt[0].pixel(3, 0), qRgb(0, 0, 0));

  gif.transparent = false;
  const QString opaquePath = writeTemp(dir, assets::encodeGif(gif));
  const QVector<QImage> opaque = assettest::qtFrames(opaquePath);
  ASSERT_EQ(opaque.size(), 1);
  EXPECT_EQ(opaque[0].pixel(2, 0), qRgb(255, 255, 255));
}

// A transparent animation clears between frames: what the first frame drew
// must not show through the transparent pixels of the second.
TEST(GifWriter, TransparentFramesDoNotAccumulate) {
  assettest::ensureApplication();
  GifAnimation gif;
  gif.palette = {qRgb(255, 0, 0)};
  gif.transparent = true;
  QImage full(8, 8, QImage::Format_ARGB32);
  full.fill(qRgb(255, 0, 0));
  QImage empty(8, 8, QImage::Format_ARGB32);
  empty.fill(Qt::transparent);
  gif.frames = {full, empty};
  QTemporaryDir dir;
  const QString path = writeTemp(dir, assets::encodeGif(gif));
  const QVector<QImage> qt = assettest::qtFrames(path);
  const QVector<QImage> ff = assettest::ffmpegFrames(path, QSize(8, 8));
  ASSERT_EQ(qt.size(), 2);
  ASSERT_EQ(ff.size(), 2);
  EXPECT_TRUE(samePixels(empty, qt[1]));
  EXPECT_TRUE(samePixels(empty, ff[1]));
}

TEST(GifWriter, LoopsForEver) {
  assettest::ensureApplication();
  GifAnimation gif;
  gif.palette = {qRgb(0, 0, 0), qRgb(255, 255, 255)};
  QImage a(4, 4, QImage::Format_ARGB32), b(4, 4, QImage::Format_ARGB32);
  a.fill(Qt::black);
  b.fill(Qt::white);
  gif.frames = {a, b};
  gif.delayCentiseconds = 25;
  QTemporaryDir dir;
  const QString path = writeTemp(dir, assets::encodeGif(gif));
  QImageReader reader(path, "gif");
  EXPECT_EQ(reader.loopCount(), -1);  // -1: for ever
  QImage first;
  ASSERT_TRUE(reader.read(&first));
  EXPECT_EQ(reader.nextImageDelay(), 250);
  // ffmpeg agrees on the frame duration.
  QByteArray out;
  ASSERT_EQ(assettest::runTool("ffprobe", {"-v", "error", "-select_streams", "v:0", "-show_entries",
                                           "packet=duration_time", "-of", "csv=p=0", path},
                               &out),
            0);
  EXPECT_EQ(out.split('\n').first().trimmed(), "0.250000");
}

TEST(GifWriter, RefusesWhatItCannotWrite) {
  const QVector<QRgb> two = {qRgb(0, 0, 0), qRgb(255, 255, 255)};
  QImage small(4, 4, QImage::Format_ARGB32), other(5, 4, QImage::Format_ARGB32);
  small.fill(Qt::black);
  other.fill(Qt::black);
  const struct {
    const char* what;
    QVector<QImage> frames;
    QVector<QRgb> palette;
    bool transparent;
  } cases[] = {
      {"no frames", {}, two, false},
      {"no palette", {small}, {}, false},
      {"frames of different sizes", {small, other}, two, false},
      {"256 colours and transparency", {small}, testPalette(256), true},
      {"257 colours", {small}, testPalette(257), false},
      {"empty frame", {QImage()}, two, false},
  };
  for (const auto& c : cases) {
    GifAnimation gif;
    gif.frames = c.frames;
    gif.palette = c.palette;
    gif.transparent = c.transparent;
    EXPECT_TRUE(assets::encodeGif(gif).isEmpty()) << c.what;
  }
}

}  // namespace
