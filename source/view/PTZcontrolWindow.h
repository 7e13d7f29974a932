// PTZcontrolWindow: the direction pad that floats over the bottom-left
// corner of a pan-tilt camera's video. Four arrow keys (PTZcontrolButton):
// a tap moves the camera one step, a key held past 300 ms moves it until the
// key is released. The render widget shows the pad when the mouse enters the
// video and hides it, with a stop, when the mouse leaves (hide_and_stop).
//
// The pad is a frameless top-level dialog of its own (held by value by the
// play view). The timing decisions live in view/ptz_press.h; the keys only
// forward their press, release and timer to it and send what comes back to
// the camera (PlayViewCamera::sendPtz, the camera's P2P_send_pzt). GUI thread only.
#pragma once

#include <QDialog>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "view/ptz_press.h"

class QEvent;
class QKeyEvent;
class QMouseEvent;
class PlayViewCamera;
class PTZcontrolWindow;

// The commands of P2P_send_pzt (the first byte of the camera's 272 request).
enum E_PTZ_CTRL {
  E_PTZ_CTRL_STOP = 0,
  E_PTZ_CTRL_UP = 1,
  E_PTZ_CTRL_DOWN = 2,
  E_PTZ_CTRL_LEFT = 3,
  E_PTZ_CTRL_RIGHT = 4,
};

class PTZcontrolButton : public QPushButton {
  Q_OBJECT

 public:
  // A key of `pad` for `direction` (E_PTZ_CTRL 1-4); `key` is the pad's
  // press state of that direction.
  PTZcontrolButton(PTZcontrolWindow* pad, int direction, PtzKeyPress* key);
  ~PTZcontrolButton() override;

  QTimer pressTimer;                           // 300 ms after a press, once
  bool moving() const { return key_->moving(); }    // a continuous move runs
  bool pressed() const { return key_->pressed(); }  // the key is held down
  PlayViewCamera* controlDevice = nullptr;     // not owned
  PTZcontrolWindow* padWindow = nullptr;       // the pad that owns the key
  int direction = 0;

  // The key's icon at rest / while held.
  void show_normal_icon();
  void show_pressed_icon();

 public slots:
  void mousePressTimer_Handler();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  PtzKeyPress* key_;
};

class PTZcontrolWindow : public QDialog {
 public:
  PTZcontrolWindow();
  ~PTZcontrolWindow() override;

  // The camera the pad (and its four keys) controls; not owned.
  void set_device(PlayViewCamera* device);
  // Hides the pad and stops the camera: every key's timer and press state
  // are cleared first, then one stop (E_PTZ_CTRL_STOP, 1) is sent.
  void hide_and_stop();

  // Sends each command to the camera, in order.
  void send_commands(const PtzCommands& commands);
  // One command: the camera's P2P_send_pzt (nothing without a camera).
  virtual void send_ptz(int command, int value);
  // The pad background: "ic_direction_bg.png" at rest, the pressed key's
  // own picture while it is held.
  void show_background(const QString& pictureName);

  QImage padImage;
  QLabel padLabel;
  PTZcontrolButton* leftButton = nullptr;
  PTZcontrolButton* rightButton = nullptr;
  PTZcontrolButton* upButton = nullptr;
  PTZcontrolButton* downButton = nullptr;
  PlayViewCamera* controlDevice = nullptr;  // not owned

  // The four keys in the pad's order: left, right, up, down.
  PTZcontrolButton* const* keys() const { return keys_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  PtzPadPress press_;
  PTZcontrolButton* keys_[4] = {};
};
