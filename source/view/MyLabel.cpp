#include "view/MyLabel.h"

#include <QMouseEvent>

#include "event/group_selection.h"
#include "event/shell.h"
#include "view/QuadWindowCreateWindow.h"

MyLabel::MyLabel() : QLabel(nullptr) { Q_UNUSED(flag); }

MyLabel::~MyLabel() {
  disconnect(this, SIGNAL(clicked_oneWindow_and_quaWindow(int)), this,
             SLOT(oneWindowDeviceLab_onclicked(int)));
  disconnect(this, SIGNAL(clicked_oneWindow_and_quaWindow(int)), this,
             SLOT(quadWindowDeviceLab_onclicked(int)));
}

void MyLabel::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) emit clicked_oneWindow_and_quaWindow(0);
}

void MyLabel::connect_oneWindow_click() {
  connect(this, SIGNAL(clicked_oneWindow_and_quaWindow(int)), this,
          SLOT(oneWindowDeviceLab_onclicked(int)));
}

void MyLabel::connect_quadWindow_click() {
  connect(this, SIGNAL(clicked_oneWindow_and_quaWindow(int)), this,
          SLOT(quadWindowDeviceLab_onclicked(int)));
}

void MyLabel::connect_play_request(int type) {
  QObject* window = shell().playRequestReceiver();
  if (!window) return;
  if (type == 1) {
    connect(this, SIGNAL(set_single_toMainWindow(QString,QString)), window,
            SLOT(oneWindowPlay_video_Handler(QString,QString)));
  } else if (type == 4) {
    connect(this, SIGNAL(set_single_toMainWindow(QString,QString)), window,
            SLOT(quadWindowPlay_video_Handler(QString,QString)));
  }
}

void MyLabel::set_deviceId(QString& id) { deviceId = id; }

void MyLabel::set_createCell(QuadWindowCreateCell* cell) { createCell = cell; }

void MyLabel::set_titleWindow(QuadWindowCreateWindow* window) { titleWindow = window; }

void MyLabel::set_createWindow(QuadWindowCreateWindow* window) { createWindow = window; }

void MyLabel::oneWindowDeviceLab_onclicked(int) {
  // The sender is this label itself; its object name is the camera's device id.
  const QObject* source = sender() ? sender() : this;
  emit set_single_toMainWindow(QString(), source->objectName());
}

void MyLabel::quadWindowDeviceLab_onclicked(int) {
  emit set_single_toMainWindow(deviceId, QString());
}

void MyLabel::quadWindowsCreate_onclicked(int) {
  if (!createWindow) return;
  // The sender is this label itself; its object name is the camera's device id.
  const QObject* source = sender() ? sender() : this;
  const GroupSelectionStep step =
      group_selection_toggle(createWindow->selectedIds, source->objectName());
  if (step.result == GroupSelectionStep::Refused) return;
  if (titleWindow) titleWindow->setWindowTitle(group_selection_title(step.count));
  if (!createCell) return;
  if (step.result == GroupSelectionStep::Selected) {
    createCell->orderLabel.setText(QString::number(step.count));
    createCell->orderLabel.show();
  } else {
    createCell->orderLabel.hide();
  }
}
