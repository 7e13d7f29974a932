// MainWindow: the camera list and the group list, what plays in the play
// area, the play views' icons, and tearing the lists down after a sign-out.
// Not built yet: each member only logs that it was called.
#include <QDebug>

#include "mainwindow.h"

void MainWindow::create_groupButton() { qDebug() << "create_groupButton: not built yet"; }

void MainWindow::mainWindow_deleteAllDevice() {
  qDebug() << "mainWindow_deleteAllDevice: not built yet";
}

void MainWindow::device_groupInfodb_read_groupInfo() {
  qDebug() << "device_groupInfodb_read_groupInfo: not built yet";
}

void MainWindow::oneWindow_deviceList_create_Handler() {
  qDebug() << "oneWindow_deviceList_create_Handler: not built yet";
}

void MainWindow::oneWindowPlay_video_Handler(QString groupName, QString deviceid) {
  qDebug() << "oneWindowPlay_video_Handler: not built yet" << groupName << deviceid;
}

void MainWindow::quadWindowPlay_video_Handler(QString groupName, QString deviceid) {
  qDebug() << "quadWindowPlay_video_Handler: not built yet" << groupName << deviceid;
}

void MainWindow::quadWindow_create_Handler() {
  qDebug() << "quadWindow_create_Handler: not built yet";
}

void MainWindow::update_quadDeviceList_Handler() {
  qDebug() << "update_quadDeviceList_Handler: not built yet";
}

void MainWindow::delete_quadDevice_Handler(QString groupName) {
  qDebug() << "delete_quadDevice_Handler: not built yet" << groupName;
}
