#include "device/WholeRenderWindow.h"

#include <QDebug>
#include <QFont>
#include <QFontMetrics>
#include <QIcon>
#include <QKeyEvent>
#include <QPalette>

#include "adapter_hardWare/AdapterHardware.h"
#include "device/play_timing.h"
#include "device/play_view_rules.h"
#include "mainwindow.h"
#include "view/CToast.h"
#include "view/program_picture.h"

namespace {

QIcon programIcon(const char* name) { return QIcon(programPicture(QString::fromLatin1(name))); }

int playState() { return mainwindow ? mainwindow->playState : E_MAINWINDOW_NOT_PLAYING; }

}  // namespace

WholeRenderWindow::WholeRenderWindow()
    : QWidget(nullptr), renderWnd(this), labRecordTime(this), barHeight(adapterHardware.sy(80)) {
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
  button->setIcon(QIcon(programPicture(play_view::iconFile(iconType, state))));
}

void WholeRenderWindow::show_record_state(bool recording) {
  if (recording) {
    labRecordTime.show();
    return;
  }
  recordTimeTimer.stop();
  labRecordTime.hide();
  labRecordTime.setText(QStringLiteral("00:00:00"));
  recordSeconds = 0;
}

void WholeRenderWindow::report_icon(int iconType, bool state) {
  if (!mainwindow) return;
  switch (play_view::iconRoute(mainwindow->playState)) {
    case play_view::IconRoute::Single:
      mainwindow->oneWindow_playWindow_icon_change_Handler(deviceId, iconType, state);
      break;
    case play_view::IconRoute::Group:
      break;
    case play_view::IconRoute::None:
      break;
  }
}

void WholeRenderWindow::show_toast(const QString& text) {
  auto* label = new QLabel;
  label->setFrameStyle(QFrame::Panel);
  label->setAlignment(Qt::AlignCenter);
  label->setWordWrap(true);
  QFont font;
  font.setPixelSize(16);
  label->setFont(font);
  label->setText(text);
  label->setStyleSheet(QStringLiteral("background-color:black;border:none;color:#FFFFFF;"));
  auto* toast = new CToast(nullptr);
  const QFontMetrics metrics(font);
  const QRect r = metrics.boundingRect(QRect(QPoint(0, 0), label->maximumSize()),
                                       Qt::AlignCenter | Qt::TextWordWrap, text);
  toast->resize(r.width() + metrics.horizontalAdvance(QLatin1Char('A')), r.height());
  toast->SetContentWidget(label);
  toast->SetDuration(5000);
  toast->SetDeleteOnHide(true);
  toast->SetRelativePos(0.5, 0.8);
  toast->StartShowAnimation();
}

// ---- buttons ----

void WholeRenderWindow::oneWindowPlay_play_button_Handler() {
  if (!ownerDevice) return;
}

void WholeRenderWindow::oneWindowPlay_resolution_button_Handler() {
  if (!ownerDevice) return;
  qDebug() << "oneWindowPlay_resolution_button_Handler";
}

void WholeRenderWindow::oneWindowPlay_snapshot_button_Handler() {
  if (!ownerDevice) return;
  snapshotWaits_ = 0;
  snapshotTimer.start(1000);
  report_icon(E_ICON_SNAPSHOT, true);
}

void WholeRenderWindow::snapshot_timer_Hanlder() {
  snapshotTimer.stop();
  if (!ownerDevice) return;
}

void WholeRenderWindow::oneWindowPlay_record_button_Handler() {
  if (!ownerDevice) return;
}

void WholeRenderWindow::update_labRecordTime_timer_Hanlder() {
  ++recordSeconds;
  labRecordTime.setText(recordTimeText(recordSeconds));
}

void WholeRenderWindow::oneWindowPlay_audio_button_Handler() {
  if (!ownerDevice) return;
  audioOn = !audioOn;
  report_icon(E_ICON_SPEAKER, audioOn);
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
  if (ownerDevice && mainwindow)
    mainwindow->oneWindow_playWindow_icon_change_Handler(deviceId, E_ICON_FULLSCREEN, false);
}

void WholeRenderWindow::resizeEvent(QResizeEvent*) {
  if (!ownerDevice) return;
  labRecordTime.move(width() / 2 - labRecordTime.width() / 2, 0);
}
