#include "device/WholeRenderWindow.h"

#include <QCoreApplication>
#include <QCursor>
#include <QDebug>
#include <QFont>
#include <QIcon>
#include <QKeyEvent>
#include <QPalette>

#include <algorithm>

#include "adapter_hardWare/AdapterHardware.h"
#include "device/play_timing.h"
#include "device/play_view_rules.h"
#include "event/play_state.h"
#include "event/shell.h"
#include "util_class/app_paths.h"
#include "view/ptz_pad_geometry.h"
#include "view/toast_notice.h"

namespace {

QIcon programIcon(const char* name) { return QIcon(app_paths::picture(QString::fromLatin1(name))); }

int playState() { return shell().playAreaState(); }

// A snapshot whose JPEG is still being written when its second ends is
// looked at again every 100 ms, at most 20 times.
constexpr int kSnapshotWaitMs = 100;
constexpr int kSnapshotMaxWaits = 20;

}  // namespace

WholeRenderWindow::WholeRenderWindow()
    : QWidget(nullptr),
      renderWnd(this),
      labRecordTime(this),
      labLinkState(this),
      barHeight(adapterHardware.sy(80)) {
  setStyleSheet(QStringLiteral("border:none"));

  mainLayout.setContentsMargins(0, 0, 0, 0);
  renderWnd.setContentsMargins(0, 0, 0, 0);
  buttonBar.setContentsMargins(0, 0, 0, 0);
  mainLayout.addWidget(&renderWnd, 0);
  mainLayout.addWidget(&buttonBar, 0);
  setLayout(&mainLayout);

  buttonBar.setMaximumHeight(barHeight);
  buttonBar.setAlignment(Qt::AlignCenter);
  buttonBar.setLayout(&buttonLayout);

  const QSize iconSize(adapterHardware.sx(38), adapterHardware.sy(38));
  const struct {
    QPushButton* button;
    const char* icon;
  } iconButtons[] = {
      {&playButton, "ic_play_dark.png"},        {&snapshotButton, "ic_screenshots_dark.png"},
      {&recordButton, "ic_record_dark.png"},    {&audioButton, "ic_speaker_on_dark.png"},
      {&maxButton, "ic_full_screen_dark.png"},
  };
  for (const auto& b : iconButtons) {
    b.button->setIcon(programIcon(b.icon));
    b.button->setIconSize(iconSize);
    b.button->setFixedSize(iconSize);
  }
  resolutionButton.setText(QStringLiteral("FHD"));
  resolutionButton.setFixedSize(adapterHardware.sx(96), adapterHardware.sy(48));

  buttonLayout.addWidget(&playButton);
  buttonLayout.addStretch(8);
  buttonLayout.addWidget(&resolutionButton);
  for (QPushButton* b : {&snapshotButton, &recordButton, &audioButton, &maxButton}) {
    buttonLayout.addStretch(1);
    buttonLayout.addWidget(b);
  }

  const int badgeWidth = adapterHardware.sx(170);
  labRecordTime.setFixedSize(badgeWidth, adapterHardware.sy(40));
  labRecordTime.move(width() / 2 - badgeWidth / 2, 0);
  QFont badgeFont;
  badgeFont.setWeight(QFont::Bold);
  badgeFont.setPixelSize(adapterHardware.sx(24));
  labRecordTime.setFont(badgeFont);
  labRecordTime.setAlignment(Qt::AlignCenter);
  labRecordTime.setText(QStringLiteral("00:00:00"));
  labRecordTime.setStyleSheet(QStringLiteral(
      "background-color:#FFFFFF; color:#000000; border:2px solid #FFFFFF; border-radius:10px"));
  labRecordTime.hide();

  labLinkState.setObjectName(QStringLiteral("linkStateLabel"));
  labLinkState.setFixedSize(adapterHardware.sx(176), adapterHardware.sy(64));
  QFont stateFont;
  stateFont.setWeight(QFont::Bold);
  stateFont.setPixelSize(std::max(1, adapterHardware.sx(24)));
  labLinkState.setFont(stateFont);
  labLinkState.setAlignment(Qt::AlignCenter);
  labLinkState.hide();

  for (const Connection& c : connections()) connect(c.sender, c.signal, this, c.slot);
}

WholeRenderWindow::~WholeRenderWindow() {
  for (const Connection& c : connections()) disconnect(c.sender, c.signal, this, c.slot);
  snapshotTimer.stop();
  recordTimeTimer.stop();
}

QList<WholeRenderWindow::Connection> WholeRenderWindow::connections() const {
  return {
      {&playButton, SIGNAL(clicked()), SLOT(oneWindowPlay_play_button_Handler())},
      {&resolutionButton, SIGNAL(clicked()), SLOT(oneWindowPlay_resolution_button_Handler())},
      {&snapshotButton, SIGNAL(clicked()), SLOT(oneWindowPlay_snapshot_button_Handler())},
      {&recordButton, SIGNAL(clicked()), SLOT(oneWindowPlay_record_button_Handler())},
      {&audioButton, SIGNAL(clicked()), SLOT(oneWindowPlay_audio_button_Handler())},
      {&maxButton, SIGNAL(clicked()), SLOT(oneWindowPlay_max_button_Handler())},
      {&recordTimeTimer, SIGNAL(timeout()), SLOT(update_labRecordTime_timer_Hanlder())},
      {&snapshotTimer, SIGNAL(timeout()), SLOT(snapshot_timer_Hanlder())},
  };
}

void WholeRenderWindow::remove_extra_buttons() {
  const struct {
    QPushButton* button;
    const char* slot;
  } extras[] = {
      {&snapshotButton, SLOT(oneWindowPlay_snapshot_button_Handler())},
      {&recordButton, SLOT(oneWindowPlay_record_button_Handler())},
      {&audioButton, SLOT(oneWindowPlay_audio_button_Handler())},
      {&maxButton, SLOT(oneWindowPlay_max_button_Handler())},
  };
  for (const auto& e : extras) {
    buttonLayout.removeWidget(e.button);
    e.button->hide();
    disconnect(e.button, SIGNAL(clicked()), this, e.slot);
  }
}

void WholeRenderWindow::show_button_state(int iconType, bool state) {
  QPushButton* button = nullptr;
  switch (iconType) {
    case E_ICON_PLAY: button = &playButton; break;
    case E_ICON_SNAPSHOT: button = &snapshotButton; break;
    case E_ICON_RECORD: button = &recordButton; break;
    case E_ICON_SPEAKER: button = &audioButton; break;
    case E_ICON_FULLSCREEN: button = &maxButton; break;
    default: return;
  }
  button->setIcon(QIcon(app_paths::picture(play_view::iconFile(iconType, state))));
}

void WholeRenderWindow::show_record_state(bool recording) {
  if (recording) {
    show_badge();
    return;
  }
  recordTimeTimer.stop();
  labRecordTime.hide();
  labRecordTime.setText(QStringLiteral("00:00:00"));
  recordSeconds = 0;
}

void WholeRenderWindow::show_badge() {
  labRecordTime.show();
  labRecordTime.raise();  // over the video's window
}

void WholeRenderWindow::show_link_state(const QString& text, const QString& styleSheet) {
  labLinkState.setText(text);
  labLinkState.setStyleSheet(styleSheet);
  place_link_state();
  labLinkState.show();
  labLinkState.raise();  // over the video's window
}

void WholeRenderWindow::hide_link_state() { labLinkState.hide(); }

void WholeRenderWindow::place_link_state() {
  const QRect video = renderWnd.geometry();
  labLinkState.move(video.x() + (video.width() - labLinkState.width()) / 2,
                    video.y() + (video.height() - labLinkState.height()) / 2);
}

void WholeRenderWindow::report_icon(int iconType, bool state) {
  if (!ownerDevice) return;
  switch (play_view::iconRoute(playState())) {
    case play_view::IconRoute::Single:
      shell().setPlayViewIcon(deviceId, iconType, state);
      break;
    case play_view::IconRoute::Group:
      shell().setGroupPlayViewIcon(ownerDevice->groupName(), deviceId, iconType, state);
      break;
    case play_view::IconRoute::None:
      break;
  }
}

void WholeRenderWindow::show_toast(const QString& text) { showToastNotice(text, this); }

// ---- buttons ----

void WholeRenderWindow::oneWindowPlay_play_button_Handler() {
  if (!ownerDevice) return;
  switch (playState()) {
    case E_MAINWINDOW_ONEWINDOW_PLAYING:
      if (ownerDevice->playing()) {
        // The last picture becomes the tile's thumbnail, then the main
        // window stops the camera.
        ownerDevice->stopKeepingThumbnail();
        return;
      }
      if (ownerDevice->playWaiting()) {
        // Waiting for the camera to come online: the stop ends the wait.
        ownerDevice->stopSinglePlay();
        report_icon(E_ICON_PLAY, false);
        return;
      }
      ownerDevice->startSinglePlay();
      // A camera that is not online waits (its button says "stop" meanwhile).
      if (ownerDevice->playRequested()) report_icon(E_ICON_PLAY, true);
      return;
    case E_MAINWINDOW_QUADWINDOW_PLAYING:
      shell().playGroupCamera(ownerDevice->groupName(), deviceId);
      return;
    default:
      return;
  }
}

void WholeRenderWindow::oneWindowPlay_resolution_button_Handler() {
  if (!ownerDevice) return;
  qDebug() << "oneWindowPlay_resolution_button_Handler";
  const auto step = play_view::resolutionStep(ownerDevice->quality());
  if (!step) return;
  ownerDevice->changeQuality(step->quality);
  resolutionButton.setText(step->text);
  qDebug() << "set text" << step->text;
}

void WholeRenderWindow::oneWindowPlay_snapshot_button_Handler() {
  if (!ownerDevice) return;
  ownerDevice->askSnapshot();
  snapshotWaits_ = 0;
  snapshotTimer.start(1000);
  report_icon(E_ICON_SNAPSHOT, true);
}

void WholeRenderWindow::snapshot_timer_Hanlder() {
  snapshotTimer.stop();  // fires once per press
  if (!ownerDevice) return;
  // A request no picture took by now is withdrawn.
  const bool stillPending = ownerDevice->withdrawSnapshot();
  const play_view::SnapshotOutcome outcome =
      play_view::snapshotOutcome(stillPending, ownerDevice->snapshotProgress());
  if (outcome == play_view::SnapshotOutcome::StillSaving && snapshotWaits_ < kSnapshotMaxWaits) {
    ++snapshotWaits_;
    snapshotTimer.start(kSnapshotWaitMs);
    return;
  }
  const bool saved = outcome == play_view::SnapshotOutcome::Saved;
  if (!saved) qDebug() << deviceId << "snapshot not saved";
  if (playState() == E_MAINWINDOW_ONEWINDOW_PLAYING) show_toast(play_view::snapshotNotice(saved));
  report_icon(E_ICON_SNAPSHOT, false);
}

void WholeRenderWindow::oneWindowPlay_record_button_Handler() {
  if (!ownerDevice) return;
  if (ownerDevice->recording()) {
    // Stop: the file is finished before the notice tells how it went (a
    // failure of the last moment is told here, not again).
    const QString path = ownerDevice->recordPath();
    const bool kept = ownerDevice->stopRecording();
    qDebug() << path << "stop record" << (kept ? "finished" : "not finished");
    ownerDevice->takeRecordFailure();
    show_toast(play_view::recordStopNotice(kept));
    show_record_state(false);
    report_icon(E_ICON_RECORD, false);
    return;
  }
  // Start. A file still open from a recording whose flag was cleared
  // elsewhere is finished first, so its handle is never overwritten and its
  // run ends before the new one; a file that cannot be opened starts
  // nothing.
  if (recordFileOpen()) {
    qDebug() << deviceId << "finishing the record file left open";
    ownerDevice->stopRecording();
  }
  if (!ownerDevice->startRecording()) {
    qDebug() << deviceId << "record not started";
    show_toast(play_view::recordStartFailedNotice());
    return;
  }
  qDebug() << ownerDevice->recordPath() << "start record";
  recordSeconds = 0;
  labRecordTime.setText(recordTimeText(0));
  show_badge();
  recordTimeTimer.start(1000);
  report_icon(E_ICON_RECORD, true);
}

void WholeRenderWindow::show_record_failed() {
  if (!ownerDevice || !ownerDevice->takeRecordFailure()) return;
  show_toast(play_view::recordStopNotice(false));
  show_record_state(false);
  report_icon(E_ICON_RECORD, false);
}

void WholeRenderWindow::show_record_paused() {
  show_toast(play_view::recordLinkLostNotice());
  show_record_state(false);
  report_icon(E_ICON_RECORD, false);
}

void WholeRenderWindow::show_record_resumed() {
  show_toast(play_view::recordResumedNotice());
  recordSeconds = 0;
  labRecordTime.setText(recordTimeText(0));
  show_badge();
  recordTimeTimer.start(1000);
  report_icon(E_ICON_RECORD, true);
}

bool WholeRenderWindow::recordFileOpen() const {
  return ownerDevice->recordFileOpen();
}

void WholeRenderWindow::update_labRecordTime_timer_Hanlder() {
  ++recordSeconds;
  labRecordTime.setText(recordTimeText(recordSeconds));
}

void WholeRenderWindow::oneWindowPlay_audio_button_Handler() {
  if (!ownerDevice) return;
  audioOn = !audioOn;
  report_icon(E_ICON_SPEAKER, audioOn);
  // Group views play no sound: there only the icon follows.
  if (playState() == E_MAINWINDOW_ONEWINDOW_PLAYING) ownerDevice->setSpeaker(audioOn);
}

void WholeRenderWindow::oneWindowPlay_max_button_Handler() {
  if (!ownerDevice) return;
  fullScreen = !fullScreen;
  report_icon(E_ICON_FULLSCREEN, fullScreen);
  if (playState() != E_MAINWINDOW_ONEWINDOW_PLAYING) return;
  if (!fullScreen) {
    leave_full_screen();
    return;
  }
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowCloseButtonHint);
  showMaximized();
  QPalette p = palette();
  p.setBrush(QPalette::All, QPalette::Window, QBrush(Qt::white));
  setPalette(p);
}

void WholeRenderWindow::leave_full_screen() {
  setWindowFlags(Qt::SubWindow);
  showNormal();
}

void WholeRenderWindow::keyPressEvent(QKeyEvent* event) {
  // Every other key is dropped here.
  if (event->key() != Qt::Key_Escape || !fullScreen) return;
  leave_full_screen();
  fullScreen = false;
  if (ownerDevice) shell().setPlayViewIcon(deviceId, E_ICON_FULLSCREEN, false);
}

// ---- the PTZ pad over the video ----

namespace {

QRect globalRect(const QWidget& w) { return QRect(w.mapToGlobal(QPoint(0, 0)), w.size()); }

}  // namespace

void WholeRenderWindow::showPtzPad() {
  ptzWindow.move(ptzPadPosition(globalRect(*this), barHeight, ptzWindow.height()));
  ptzWindow.show();
}

void WholeRenderWindow::hidePtzPadUnlessPointerOver() {
  // Over the pad (a window of its own) the mouse is still over the video.
  if (cursorStillOverVideo(QCursor::pos(), globalRect(*this), barHeight)) return;
  ptzWindow.hide_and_stop();
  qDebug() << "leaveEvent" << "oneWindow  setVisible(false)";
}

void WholeRenderWindow::pointerLeftPtzPad() {
  QEvent leave(QEvent::Leave);
  QCoreApplication::sendEvent(&renderWnd, &leave);
}

void WholeRenderWindow::resizeEvent(QResizeEvent*) {
  place_link_state();
  if (!ownerDevice) return;
  labRecordTime.move(width() / 2 - labRecordTime.width() / 2, 0);
  // The pad is placed again for the new size, and hidden again when the
  // cursor is not over the video.
  if (!ownerDevice->ownView()) return;
  WholeRenderWindow& own = *ownerDevice->ownView();
  if (!own.renderWnd.ptzWindow_exist()) return;
  own.ptzWindow.hide();
  QEvent enter(QEvent::Enter);
  QCoreApplication::sendEvent(&renderWnd, &enter);
  QEvent leave(QEvent::Leave);
  QCoreApplication::sendEvent(&renderWnd, &leave);
}
