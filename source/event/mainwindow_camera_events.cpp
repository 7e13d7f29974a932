// MainWindow: what the cameras report from their own threads (connection
// state, the end of a stop-time thumbnail, the end of a recording), delivered
// queued on the GUI thread.
// Not built yet: each member only logs that it was called.
#include <QDebug>

#include "mainwindow.h"

void MainWindow::update_device_state_Handler(QString deviceId, int state) {
  qDebug() << "update_device_state_Handler: not built yet" << deviceId << state;
}

void MainWindow::device_stop_play_Handler(QString deviceId) {
  qDebug() << "device_stop_play_Handler: not built yet" << deviceId;
}

void MainWindow::device_change_record_picture_state_Handler(QString deviceId, bool state) {
  qDebug() << "device_change_record_picture_state_Handler: not built yet" << deviceId << state;
}
