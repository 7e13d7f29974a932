// WholeRenderWindow: the play view of one camera. The video (SDLRenderWnd)
// above a bar of six buttons (play, HD/FHD, snapshot, record, speaker, full
// screen), a record-time badge over the top of the video, and the camera's
// PTZ pad. Every camera holds one (its single-camera view); a group's 2x2
// grid holds four more as its cells, stripped to play and HD/FHD by
// remove_extra_buttons.
//
// The buttons drive the bound camera (ownerDevice) directly and report each
// change of a button's state to the main window, whose icon slots swap the
// icons (single-camera mode: oneWindow_playWindow_icon_change_Handler, group
// mode: quadWindow_playWindow_icon_change_Handler). Snapshot and record
// toasts say what really happened. The choices (next quality, toast texts,
// where a report goes, the badge text) live in device/play_view_rules.h.
// GUI thread only.
#pragma once

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QList>
#include <QPushButton>
#include <QString>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

#include "device/play_view_camera.h"
#include "view/PTZcontrolWindow.h"
#include "view/ptz_pad_host.h"
#include "view/VideoPlayView.h"

class QKeyEvent;
class QResizeEvent;

class WholeRenderWindow : public QWidget, public PtzPadHost {
  Q_OBJECT

 public:
  WholeRenderWindow();
  ~WholeRenderWindow() override;

  // Group cells keep only play and HD/FHD: the other four buttons leave the
  // bar, hide and are disconnected.
  void remove_extra_buttons();

  // The icon of the button for `iconType` (E_ICON_*) in `state`, as the main
  // window's icon slots set it; other types change nothing.
  void show_button_state(int iconType, bool state);
  // The record badge as the record icon's state says: shown for a running
  // recording; hidden, "00:00:00", count 0 and its timer stopped otherwise.
  void show_record_state(bool recording);
  // The bound camera's recording ended by itself on a failed write: the
  // toast says so (once per failure), badge and icon go idle.
  void show_record_failed();
  // The camera's link was lost under the recording: the toast says it is
  // paused, badge and icon go idle; and when it goes on into a new file
  // once the link is back, the toast says so and badge, clock and icon
  // come back (the clock from zero: a new file).
  void show_record_paused();
  void show_record_resumed();
  // A badge in the middle of the video (the camera tile's texts and looks):
  // the camera is not online yet, or its picture is not live.
  void show_link_state(const QString& text, const QString& styleSheet);
  void hide_link_state();

  // PtzPadHost (view/ptz_pad_host.h): the pad over this view's video.
  void showPtzPad() override;
  void hidePtzPadUnlessPointerOver() override;
  void pointerLeftPtzPad() override;

  bool fullScreen = false;
  PTZcontrolWindow ptzWindow;
  QVBoxLayout mainLayout;
  SDLRenderWnd renderWnd;
  QGroupBox buttonBar;
  QHBoxLayout buttonLayout;
  QLabel labRecordTime;
  QLabel labLinkState;  // "linkStateLabel"; hidden while the picture is live
  QString deviceId;
  PlayViewCamera* ownerDevice = nullptr;  // not owned; every button does nothing while null
  QPushButton playButton;
  QPushButton resolutionButton;
  QPushButton snapshotButton;
  QPushButton recordButton;
  QPushButton audioButton;
  QPushButton maxButton;
  bool audioOn = true;
  QTimer snapshotTimer;    // ends a snapshot 1000 ms after the press
  QTimer recordTimeTimer;  // ticks the badge every 1000 ms
  int recordSeconds = 0;
  int barHeight;           // height of the button bar; places the PTZ pad

 public slots:
  void oneWindowPlay_play_button_Handler();
  void oneWindowPlay_resolution_button_Handler();
  void oneWindowPlay_snapshot_button_Handler();
  void oneWindowPlay_record_button_Handler();
  void oneWindowPlay_audio_button_Handler();
  void oneWindowPlay_max_button_Handler();
  void snapshot_timer_Hanlder();
  void update_labRecordTime_timer_Hanlder();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  struct Connection {
    const QObject* sender;
    const char* signal;
    const char* slot;
  };
  // The constructor's eight connections; the destructor undoes exactly these.
  QList<Connection> connections() const;
  // Reports a button's state to the main window's icon slot of the current
  // play mode (none outside single and group mode).
  void report_icon(int iconType, bool state);
  // Shows the record badge above the video.
  void show_badge();
  // The link-state badge in the middle of the video.
  void place_link_state();
  // A notice for five seconds at 80 % of the height of the window this view
  // is shown in (the main window, or the view itself in full screen).
  void show_toast(const QString& text);
  // The bound camera has a record file open.
  bool recordFileOpen() const;
  // Leaves full screen: back into the parent, normal size.
  void leave_full_screen();
  // A snapshot still being saved when its second ends is waited for a
  // little longer (bounded) before the toast tells the result.
  int snapshotWaits_ = 0;
};
