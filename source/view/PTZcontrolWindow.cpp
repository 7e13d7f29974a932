#include "view/PTZcontrolWindow.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDebug>
#include <QIcon>
#include <QKeyEvent>
#include <QPixmap>

#include "adapter_hardWare/AdapterHardware.h"
#include "device/play_view_camera.h"
#include "event/play_state.h"
#include "event/shell.h"
#include "util_class/app_paths.h"
#include "view/ptz_pad_host.h"

namespace {

struct KeyLook {
  int direction;
  int x, y;  // design units inside the pad
  const char* normalIcon;
  const char* pressedIcon;
  const char* pressedBackground;
};

// In the pad's order: left, right, up, down. The positions are not quite
// symmetric; the pictures were drawn for them.
const KeyLook kKeys[4] = {
    {E_PTZ_CTRL_LEFT, 20, 92, "ic_direction_left_light.png", "ic_direction_left_color.png",
     "ic_direction_left_bg.png"},
    {E_PTZ_CTRL_RIGHT, 172, 96, "ic_direction_right_light.png", "ic_direction_right_color.png",
     "ic_direction_right_bg.png"},
    {E_PTZ_CTRL_UP, 92, 16, "ic_direction_up_light.png", "ic_direction_up_color.png",
     "ic_direction_top_bg.png"},
    {E_PTZ_CTRL_DOWN, 89, 172, "ic_direction_down_light.png", "ic_direction_down_color.png",
     "ic_direction_down_bg.png"},
};

const char* const kRestBackground = "ic_direction_bg.png";

const KeyLook& lookOf(int direction) {
  for (const KeyLook& k : kKeys) {
    if (k.direction == direction) return k;
  }
  return kKeys[0];
}

QSize padSize() { return QSize(adapterHardware.sx(240), adapterHardware.sy(240)); }
QSize keySize() { return QSize(adapterHardware.sx(48), adapterHardware.sy(48)); }

}  // namespace

// ---- a key ----

PTZcontrolButton::PTZcontrolButton(PTZcontrolWindow* pad, int direction_, PtzKeyPress* key)
    : QPushButton(nullptr), padWindow(pad), direction(direction_), key_(key) {
  connect(&pressTimer, SIGNAL(timeout()), this, SLOT(mousePressTimer_Handler()));
}

PTZcontrolButton::~PTZcontrolButton() {
  disconnect(&pressTimer, SIGNAL(timeout()), this, SLOT(mousePressTimer_Handler()));
  pressTimer.stop();
}

void PTZcontrolButton::show_normal_icon() {
  setIcon(QIcon(app_paths::picture(QString::fromLatin1(lookOf(direction).normalIcon))));
}

void PTZcontrolButton::show_pressed_icon() {
  setIcon(QIcon(app_paths::picture(QString::fromLatin1(lookOf(direction).pressedIcon))));
}

void PTZcontrolButton::mousePressEvent(QMouseEvent*) {
  qDebug() << QDateTime::currentDateTime().toString() << "mousePressEvent";
  key_->press();
  pressTimer.start(kPtzPressTimerMs);
  padWindow->show_background(QString::fromLatin1(lookOf(direction).pressedBackground));
  show_pressed_icon();
}

void PTZcontrolButton::mouseReleaseEvent(QMouseEvent*) {
  const PtzCommands commands = key_->release();
  qDebug() << QDateTime::currentSecsSinceEpoch() << "mouseReleaseEvent";
  padWindow->show_background(QString::fromLatin1(kRestBackground));
  show_normal_icon();
  // The timer keeps running: a release within 300 ms still gets its step.
  padWindow->send_commands(commands);
}

void PTZcontrolButton::mousePressTimer_Handler() {
  pressTimer.stop();  // once per press
  padWindow->send_commands(key_->timerFired());
}

// ---- the pad ----

PTZcontrolWindow::PTZcontrolWindow() : QDialog(nullptr) {
  setWindowFlags(Qt::FramelessWindowHint | Qt::SubWindow);
  setAttribute(Qt::WA_TranslucentBackground);
  for (int i = 0; i < 4; ++i) {
    const int d = kKeys[i].direction;
    keys_[i] = new PTZcontrolButton(this, d, press_.key(d));
  }
  leftButton = keys_[0];
  rightButton = keys_[1];
  upButton = keys_[2];
  downButton = keys_[3];

  setFixedSize(padSize());
  // The pad is round: without a compositing window manager a translucent
  // background is drawn black, so the corners are cut away as well.
  setMask(QRegion(QRect(QPoint(0, 0), padSize()), QRegion::Ellipse));
  padLabel.setParent(this);
  show_background(QString::fromLatin1(kRestBackground));
  setContentsMargins(0, 0, 0, 0);

  for (int i = 0; i < 4; ++i) {
    PTZcontrolButton* key = keys_[i];
    key->show_normal_icon();
    key->setIconSize(keySize());
    key->setParent(this);
    key->setFixedSize(keySize());
    key->move(adapterHardware.sx(kKeys[i].x), adapterHardware.sy(kKeys[i].y));
    key->setStyleSheet(QStringLiteral("background:rgba(255,255,255,1)"));
  }
}

PTZcontrolWindow::~PTZcontrolWindow() {
  for (PTZcontrolButton*& key : keys_) {
    delete key;  // disconnects and stops its own timer first
    key = nullptr;
  }
  leftButton = rightButton = upButton = downButton = nullptr;
}

void PTZcontrolWindow::set_device(PlayViewCamera* device) {
  controlDevice = device;
  for (PTZcontrolButton* key : keys_) key->controlDevice = device;
}

void PTZcontrolWindow::show_background(const QString& pictureName) {
  padImage = QImage(app_paths::picture(pictureName))
                 .scaled(padSize(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
  padLabel.setPixmap(QPixmap::fromImage(padImage));
  padLabel.resize(padSize());
}

void PTZcontrolWindow::hide_and_stop() {
  // A pending press timer must not start a move after the stop.
  for (PTZcontrolButton* key : keys_) {
    key->pressTimer.stop();
    key->show_normal_icon();
  }
  const PtzCommands commands = press_.hideAndStop();
  show_background(QString::fromLatin1(kRestBackground));
  setVisible(false);
  send_commands(commands);
}

void PTZcontrolWindow::send_commands(const PtzCommands& commands) {
  for (const PtzCommand& c : commands) send_ptz(c.command, c.value);
}

void PTZcontrolWindow::send_ptz(int command, int value) {
  if (controlDevice) controlDevice->sendPtz(command, value);
}

void PTZcontrolWindow::keyPressEvent(QKeyEvent* event) {
  // Every key stays here: Escape must not close the pad.
  if (event->key() == Qt::Key_Escape) qDebug() << "PTZcontrolWindow Key_Escape press" << "keyPressEvent";
}

void PTZcontrolWindow::leaveEvent(QEvent*) {
  if (shell().playAreaState() != E_MAINWINDOW_ONEWINDOW_PLAYING || !controlDevice ||
      !controlDevice->ownPtzPadHost())
    return;
  // The camera's own render widget decides by the cursor whether the mouse
  // really left the video.
  controlDevice->ownPtzPadHost()->pointerLeftPtzPad();
}
