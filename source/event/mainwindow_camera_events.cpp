// MainWindow: what the cameras report from their own threads (connection
// state, the end of a stop-time thumbnail, the end of a recording),
// delivered queued on the GUI thread. The first camera with the device id
// gets it; an id no camera has changes nothing.
#include <QDebug>

#include "device/OneWindowDevice.h"
#include "mainwindow.h"

void MainWindow::update_device_state_Handler(QString deviceId, int state) {
  // A camera that keeps failing to connect is logged once, not at every retry.
  if (const std::optional<ConnectionReportLog::Line> line = reportLog_.note(deviceId, state)) {
    if (line->unlogged > 0)
      qDebug() << "update_device_state_Handler" << deviceId << state << "(after" << line->unlogged
               << "reports not logged)";
    else
      qDebug() << "update_device_state_Handler" << deviceId << state;
  }
  if (oneWindowDevice* camera = find_oneWindowDevice(oneWindowDevice_list, deviceId))
    camera->update_p2pState(state);
}

void MainWindow::device_stop_play_Handler(QString deviceId) {
  qDebug() << "device_stop_play_Handler" << deviceId;
  oneWindowDevice* camera = find_oneWindowDevice(oneWindowDevice_list, deviceId);
  if (!camera) return;
  camera->avideo_stop_play();
  oneWindow_playWindow_icon_change_Handler(deviceId, E_ICON_PLAY, false);
}

void MainWindow::device_change_record_picture_state_Handler(QString deviceId, bool state) {
  qDebug() << "device_change_record_picture_state_Handler" << deviceId << state;
  if (!find_oneWindowDevice(oneWindowDevice_list, deviceId)) return;
  oneWindow_playWindow_icon_change_Handler(deviceId, E_ICON_RECORD, state);
}
