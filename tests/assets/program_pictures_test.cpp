// The pictures the program loads from its image folder: all there, at the
// size the layouts draw them, not blank, in the ink their name promises.
#include "asset_test_support.h"

#include <gtest/gtest.h>

#include <QHash>
#include <QImage>
#include <QSet>

namespace {

struct PictureCase {
  const char* file;
  int width, height;
};

// Navigation 72 and 48, play bar 38, pad keys 48, pad 240, user menu 48
// (shown smaller), window icon 128, and the single pictures.
const PictureCase kPictures[] = {
    {"ic_user.png", 72, 72},
    {"ic_device_color.png", 48, 48},
    {"ic_device_mid.png", 48, 48},
    {"ic_quad_screen_color.png", 48, 48},
    {"ic_quad_screen_mid.png", 48, 48},
    {"ic_system setting.png", 48, 48},
    {"ic_me_mid.png", 48, 48},
    {"ic_about.png", 48, 48},
    {"ic_sign_out.png", 48, 48},
    {"ic_play_dark.png", 38, 38},
    {"ic_stop_dark.png", 38, 38},
    {"ic_screenshots_dark.png", 38, 38},
    {"ic_screenshots_light.png", 38, 38},
    {"ic_record_dark.png", 38, 38},
    {"ic_record_color.png", 38, 38},
    {"ic_speaker_on_dark.png", 38, 38},
    {"ic_speaker_off_dark.png", 38, 38},
    {"ic_full_screen_dark.png", 38, 38},
    {"ic_small_screen_dark.png", 38, 38},
    {"ic_direction_up_light.png", 48, 48},
    {"ic_direction_up_color.png", 48, 48},
    {"ic_direction_down_light.png", 48, 48},
    {"ic_direction_down_color.png", 48, 48},
    {"ic_direction_left_light.png", 48, 48},
    {"ic_direction_left_color.png", 48, 48},
    {"ic_direction_right_light.png", 48, 48},
    {"ic_direction_right_color.png", 48, 48},
    {"ic_direction_bg.png", 240, 240},
    {"ic_direction_top_bg.png", 240, 240},
    {"ic_direction_down_bg.png", 240, 240},
    {"ic_direction_left_bg.png", 240, 240},
    {"ic_direction_right_bg.png", 240, 240},
    {"ic_device_default.png", 392, 176},
    {"ic_delete_group.png", 40, 44},
    {"icon_remeber_selected.png", 32, 32},
    {"icon_remeber_unselected.png", 32, 32},
    {"ic_logo.png", 114, 96},
    {"ic_launcher.png", 128, 128},
    {"ic_about_bg.png", 1060, 480},
};

QImage picture(const QString& file) {
  return QImage(assettest::programFile("Orvanta_image/" + file)).convertToFormat(QImage::Format_ARGB32);
}

// The colour most fully opaque pixels have.
QRgb dominantInk(const QImage& image) {
  QHash<QRgb, int> counts;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QRgb c = image.pixel(x, y);
      if (qAlpha(c) == 255) ++counts[c];
    }
  }
  QRgb best = 0;
  int most = 0;
  for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
    if (it.value() > most) {
      most = it.value();
      best = it.key();
    }
  }
  return best;
}

TEST(ProgramPictures, EveryPictureLoadsAtItsDesignSizeAndIsNotBlank) {
  for (const auto& c : kPictures) {
    SCOPED_TRACE(c.file);
    const QImage image = picture(c.file);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(c.width, c.height));
    QSet<QRgb> colours;
    int inked = 0;
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) {
        colours.insert(image.pixel(x, y));
        if (qAlpha(image.pixel(x, y)) > 0) ++inked;
      }
    }
    EXPECT_GT(colours.size(), 1);
    // A symbol covers a fair part of its box; none is a speck.
    EXPECT_GT(inked, image.width() * image.height() / 10);
  }
}

// "_dark" icons sit on the white bar of the play view, "_color" is the
// selected green, "_mid" and "_light" the idle grey.
TEST(ProgramPictures, VariantsAreDrawnInTheirInk) {
  const QRgb dark = qRgb(0x26, 0x32, 0x38), green = qRgb(0x68, 0xBF, 0x39), grey = qRgb(0x95, 0xA5, 0xAD);
  const struct {
    const char* file;
    QRgb ink;
  } cases[] = {
      {"ic_play_dark.png", dark},
      {"ic_stop_dark.png", dark},
      {"ic_screenshots_dark.png", dark},
      {"ic_screenshots_light.png", grey},
      {"ic_record_dark.png", dark},
      {"ic_record_color.png", green},
      {"ic_speaker_on_dark.png", dark},
      {"ic_speaker_off_dark.png", dark},
      {"ic_full_screen_dark.png", dark},
      {"ic_small_screen_dark.png", dark},
      {"ic_device_color.png", green},
      {"ic_device_mid.png", grey},
      {"ic_quad_screen_color.png", green},
      {"ic_quad_screen_mid.png", grey},
      {"ic_me_mid.png", grey},
      {"ic_direction_up_light.png", grey},
      {"ic_direction_up_color.png", green},
      {"ic_direction_down_light.png", grey},
      {"ic_direction_down_color.png", green},
      {"ic_direction_left_light.png", grey},
      {"ic_direction_left_color.png", green},
      {"ic_direction_right_light.png", grey},
      {"ic_direction_right_color.png", green},
      {"icon_remeber_selected.png", green},
      {"icon_remeber_unselected.png", grey},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(dominantInk(picture(c.file)), c.ink) << c.file << std::hex << " ink " << dominantInk(picture(c.file));
  }
}

// Icons that replace each other on one button must show different symbols.
TEST(ProgramPictures, SwappedIconsShowDifferentSymbols) {
  const struct {
    const char* a;
    const char* b;
  } pairs[] = {
      {"ic_play_dark.png", "ic_stop_dark.png"},
      {"ic_speaker_on_dark.png", "ic_speaker_off_dark.png"},
      {"ic_full_screen_dark.png", "ic_small_screen_dark.png"},
      {"icon_remeber_selected.png", "icon_remeber_unselected.png"},
  };
  for (const auto& p : pairs) {
    EXPECT_NE(picture(p.a).createAlphaMask(), picture(p.b).createAlphaMask()) << p.a << " / " << p.b;
  }
}

// Ink extent (first and last inked line) of the row or column `line`.
int inkSpan(const QImage& image, int line, bool row) {
  const int length = row ? image.width() : image.height();
  int first = -1, last = -1;
  for (int i = 0; i < length; ++i) {
    const QRgb c = row ? image.pixel(i, line) : image.pixel(line, i);
    if (qAlpha(c) >= 128) {
      if (first < 0) first = i;
      last = i;
    }
  }
  return first < 0 ? 0 : last - first + 1;
}

// The tip of a chevron is narrow, its open end wide: compare the spans of
// the first and last inked rows (up, down) or columns (left, right).
TEST(ProgramPictures, ArrowsPointTheirWay) {
  enum Way { Up, Down, Left, Right };
  const struct {
    const char* file;
    Way way;
  } cases[] = {
      {"ic_direction_up_light.png", Up},       {"ic_direction_up_color.png", Up},
      {"ic_direction_down_light.png", Down},   {"ic_direction_down_color.png", Down},
      {"ic_direction_left_light.png", Left},   {"ic_direction_left_color.png", Left},
      {"ic_direction_right_light.png", Right}, {"ic_direction_right_color.png", Right},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const QImage image = picture(c.file);
    const bool rows = c.way == Up || c.way == Down;
    const int lines = rows ? image.height() : image.width();
    int first = -1, last = -1;
    for (int i = 0; i < lines; ++i) {
      if (inkSpan(image, i, rows) > 0) {
        if (first < 0) first = i;
        last = i;
      }
    }
    ASSERT_GE(first, 0);
    const int nearStart = inkSpan(image, first + 1, rows), nearEnd = inkSpan(image, last - 1, rows);
    if (c.way == Up || c.way == Left) {
      EXPECT_LT(2 * nearStart, nearEnd);
    } else {
      EXPECT_LT(2 * nearEnd, nearStart);
    }
  }
}

// Each pressed pad lights its own quarter and leaves the other three as
// the pad at rest shows them. Points lie on the ring between hub and key.
TEST(ProgramPictures, PadLightsThePressedQuarter) {
  const QPoint up(120, 75), down(120, 165), left(75, 120), right(165, 120);
  const struct {
    const char* file;
    QPoint lit;
  } cases[] = {
      {"ic_direction_top_bg.png", up},
      {"ic_direction_down_bg.png", down},
      {"ic_direction_left_bg.png", left},
      {"ic_direction_right_bg.png", right},
  };
  const QImage rest = picture("ic_direction_bg.png");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const QImage pressed = picture(c.file);
    for (const QPoint& at : {up, down, left, right}) {
      const QRgb px = pressed.pixel(at);
      if (at == c.lit) {
        EXPECT_GT(qGreen(px) - qRed(px), 25) << "lit quarter is green";
        EXPECT_GT(qGreen(px) - qBlue(px), 25);
      } else {
        EXPECT_EQ(px, rest.pixel(at)) << "quarter at " << at.x() << "," << at.y();
      }
    }
  }
  for (const QPoint& at : {up, down, left, right}) {
    const QRgb px = rest.pixel(at);
    EXPECT_LT(qGreen(px) - qRed(px), 10) << "the pad at rest lights nothing";
  }
}

}  // namespace
