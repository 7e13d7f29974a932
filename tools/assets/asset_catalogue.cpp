#include "asset_catalogue.h"

#include "animations.h"
#include "glyphs.h"
#include "palette.h"
#include "pictures.h"

#include <QBuffer>
#include <QDir>
#include <QSaveFile>

namespace assets {
namespace {

const QSize kNavUser(72, 72);
const QSize kNav(48, 48);
const QSize kMenu(48, 48);  // user menu buttons; drawn at twice their shown size
const QSize kPlayBar(38, 38);
const QSize kPadKey(48, 48);
const QSize kPad(240, 240);

bool writeFile(const QString& path, const QByteArray& bytes, QString* error) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
    *error = path + ": " + file.errorString();
    return false;
  }
  return true;
}

QByteArray png(const QImage& image) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  return image.save(&buffer, "PNG") ? bytes : QByteArray();
}

}  // namespace

QVector<Picture> pictureCatalogue() {
  using namespace glyph;
  return {
      // Navigation column and user menu.
      {"ic_user.png", kNavUser, symbol(avatar, kGreyDark)},
      {"ic_device_color.png", kNav, symbol(camera, kInkColor)},
      {"ic_device_mid.png", kNav, symbol(camera, kInkMid)},
      {"ic_quad_screen_color.png", kNav, symbol(quadGrid, kInkColor)},
      {"ic_quad_screen_mid.png", kNav, symbol(quadGrid, kInkMid)},
      {"ic_system setting.png", kNav, symbol(gear, kInkMid)},
      {"ic_me_mid.png", kMenu, symbol(person, kInkMid)},
      {"ic_about.png", kMenu, symbol(info, kInkMid)},
      {"ic_sign_out.png", kMenu, symbol(signOut, kInkMid)},
      // Play view button bar.
      {"ic_play_dark.png", kPlayBar, symbol(play, kInkDark)},
      {"ic_stop_dark.png", kPlayBar, symbol(stop, kInkDark)},
      {"ic_screenshots_dark.png", kPlayBar, symbol(screenshot, kInkDark)},
      {"ic_screenshots_light.png", kPlayBar, symbol(screenshot, kInkLight)},
      {"ic_record_dark.png", kPlayBar, symbol(record, kInkDark)},
      {"ic_record_color.png", kPlayBar, symbol(record, kInkColor)},
      {"ic_speaker_on_dark.png", kPlayBar, symbol(speakerOn, kInkDark)},
      {"ic_speaker_off_dark.png", kPlayBar, symbol(speakerOff, kInkDark)},
      {"ic_full_screen_dark.png", kPlayBar, symbol(fullScreen, kInkDark)},
      {"ic_small_screen_dark.png", kPlayBar, symbol(smallScreen, kInkDark)},
      // Direction pad: keys at rest and pressed, pad at rest and per pressed key.
      {"ic_direction_up_light.png", kPadKey, symbol(arrowUp, kInkLight)},
      {"ic_direction_up_color.png", kPadKey, symbol(arrowUp, kInkColor)},
      {"ic_direction_down_light.png", kPadKey, symbol(arrowDown, kInkLight)},
      {"ic_direction_down_color.png", kPadKey, symbol(arrowDown, kInkColor)},
      {"ic_direction_left_light.png", kPadKey, symbol(arrowLeft, kInkLight)},
      {"ic_direction_left_color.png", kPadKey, symbol(arrowLeft, kInkColor)},
      {"ic_direction_right_light.png", kPadKey, symbol(arrowRight, kInkLight)},
      {"ic_direction_right_color.png", kPadKey, symbol(arrowRight, kInkColor)},
      {"ic_direction_bg.png", kPad, padBackground(PadQuarter::None)},
      {"ic_direction_top_bg.png", kPad, padBackground(PadQuarter::Up)},
      {"ic_direction_down_bg.png", kPad, padBackground(PadQuarter::Down)},
      {"ic_direction_left_bg.png", kPad, padBackground(PadQuarter::Left)},
      {"ic_direction_right_bg.png", kPad, padBackground(PadQuarter::Right)},
      // Lists, sign-in dialog, About dialog, window icon.
      {"ic_device_default.png", QSize(392, 176), deviceDefault},
      {"ic_delete_group.png", QSize(40, 44), symbol(trash, kInkMid)},
      {"icon_remeber_selected.png", QSize(32, 32), symbol(boxTicked, kInkColor)},
      {"icon_remeber_unselected.png", QSize(32, 32), symbol(boxEmpty, kInkMid)},
      {"ic_logo.png", QSize(114, 96), logo},
      {"ic_launcher.png", QSize(128, 128), logo},
      {"ic_about_bg.png", QSize(1060, 480), aboutBackground},
  };
}

QVector<Animation> animationCatalogue() {
  return {{"login.gif", loginAnimation}, {"playing.gif", playingAnimation}};
}

bool writeAssets(const QString& folder, QString* error) {
  if (!QDir().mkpath(folder)) {
    *error = folder + ": cannot create the folder";
    return false;
  }
  const QDir dir(folder);
  for (const Picture& picture : pictureCatalogue()) {
    const QByteArray bytes = png(renderPicture(picture.size, picture.paint));
    if (bytes.isEmpty()) {
      *error = picture.file + ": PNG encoding failed";
      return false;
    }
    if (!writeFile(dir.filePath(picture.file), bytes, error)) return false;
  }
  for (const Animation& animation : animationCatalogue()) {
    const QByteArray bytes = encodeGif(animation.make());
    if (bytes.isEmpty()) {
      *error = animation.file + ": GIF encoding failed";
      return false;
    }
    if (!writeFile(dir.filePath(animation.file), bytes, error)) return false;
  }
  return true;
}

}  // namespace assets
