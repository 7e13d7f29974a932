// oneWindowDevice: the tile in the device list (picture, name, connection
// badge, connecting animation) and what changes it.
#include <QDebug>
#include <QFont>
#include <QPixmap>

#include "adapter_hardWare/AdapterHardware.h"
#include "device/connection_badge.h"
#include "device/OneWindowDevice.h"
#include "event/shell.h"
#include "sql/user_files.h"
#include "util_class/app_paths.h"
#include "view/list_picture.h"

void oneWindowDevice::buildTile() {
  const AdapterHardware& a = adapterHardware;
  QString picture;
  if (shell().present()) picture = device_picture_find(shell().saveFolders().userFolder, deviceName, deviceId);
  if (picture.isEmpty()) picture = app_paths::picture(QStringLiteral("ic_device_default.png"));
  loadTilePicture(picture);

  pictureLabel.connect_play_request(1);
  pictureLabel.connect_oneWindow_click();

  setContentsMargins(0, 0, 0, 0);
  setFixedSize(a.sx(392), a.sy(232));

  pictureLabel.setContentsMargins(0, 0, 0, 0);
  pictureLabel.setFixedSize(a.sx(392), a.sy(176));
  pictureLabel.setObjectName(deviceId);
  pictureLabel.setPixmap(tilePixmap_);
  pictureLabel.setParent(this);
  pictureLabel.move(0, 0);

  gifLabel.setContentsMargins(0, 0, 0, 0);
  gifLabel.setParent(this);
  gifLabel.setFixedSize(a.sx(34), a.sy(42));
  gifLabel.setAlignment(Qt::AlignCenter);
  gifLabel.move(a.sx(179), a.sx(67));
  gifLabel.setMovie(&gifMovie);
  // The "playing" animation sits over the middle of the picture: clicks go
  // through it to the picture, so a playing camera's tile still answers.
  gifLabel.setAttribute(Qt::WA_TransparentForMouseEvents);
  gifMovie.setFileName(app_paths::picture(QStringLiteral("playing.gif")));
  gifMovie.setScaledSize(QSize(a.sx(34), a.sy(42)));
  gifLabel.hide();

  QFont nameFont = nameLabel.font();
  nameFont.setWeight(75);
  nameFont.setPixelSize(std::max(1, a.sx(24)));
  nameLabel.setFont(nameFont);
  nameLabel.setContentsMargins(0, 0, 0, 0);
  nameLabel.setText(deviceName);
  nameLabel.setAlignment(Qt::AlignVCenter);
  nameLabel.setParent(this);
  nameLabel.move(0, a.sy(176));

  QFont stateFont = stateLabel.font();
  stateFont.setWeight(75);
  stateFont.setPointSize(8);
  stateLabel.setFont(stateFont);
  stateLabel.setContentsMargins(0, 0, 0, 0);
  stateLabel.setText(QLatin1String(kBadgeTextInitial));
  stateLabel.setParent(this);
  stateLabel.setFixedSize(a.sx(88), a.sy(32));
  stateLabel.setStyleSheet(QLatin1String(kBadgeStyleConnecting));
  stateLabel.setAlignment(Qt::AlignCenter);
  stateLabel.move(a.sx(288) - 10, a.sx(128));
}

void oneWindowDevice::update_p2pState(int state) {
  QFont font = stateLabel.font();
  font.setPointSize(8);
  stateLabel.setFont(font);
  const BadgeDecision d = connectionBadgeFor(p2pState, state);
  if (d.changes) {
    if (d.setBadge) {
      stateLabel.setStyleSheet(d.styleSheet);
      stateLabel.setText(d.text);
    }
    if (d.timer == ConnectTimerAction::Start) P2P_connect_ahead_Thread_timer_start();
    if (d.timer == ConnectTimerAction::Stop) P2P_connect_ahead_Thread_timer_stop();
    p2pState = d.p2pState;
  }
  // A report other than "connecting" ends the camera's connect turn; one
  // that is not Online sends its next connect behind the cameras not yet
  // tried.
  connects().reported(deviceId.toStdString(), state);
  if (state == E_CONN_STATUS_ONLINE) connectFailed_ = false;
  else if (state != E_CONN_STATUS_CONNECTING && state != E_CONN_STATUS_DISCONNECTED) connectFailed_ = true;
  followLink(state);
}

QString oneWindowDevice::thumbnailFilePath() const {
  QString path;
  split_save_realtimeImage_specifiedPath(path);
  return path;
}

void oneWindowDevice::loadTilePicture(const QString& file) {
  // Every path scales to the picture label (392 x 176 design units at the
  // screen's scale): a bigger picture would be cut at its top and bottom.
  const ListPicture p =
      listPicture(file, QSize(adapterHardware.sx(392), adapterHardware.sy(176)));
  pictureImage = p.image;
  tilePixmap_ = p.pixmap;
}

void oneWindowDevice::update_device_picture() {
  if (!find_oneWindowDevice(shell().cameraList(), deviceId)) return;
  loadTilePicture(thumbnailFilePath());
  pictureLabel.setPixmap(tilePixmap_);
  pictureLabel.show();
}

void oneWindowDevice::gif_play_stop() { gifShown.stop(); }

void oneWindowDevice::oneWindow_device_gif_play_start_Handler() { gifShown.play(); }

void oneWindowDevice::oneWindow_device_gif_play_stop_Handler() { gif_play_stop(); }
