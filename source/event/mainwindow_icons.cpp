// MainWindow: the play views' button icons, set as the cameras and the play
// views report a button's state.
// Not built yet: each member only logs that it was called.
#include <QDebug>

#include "mainwindow.h"

void MainWindow::oneWindow_playWindow_icon_change_Handler(QString deviceId, int iconType,
                                                          bool state) {
  qDebug() << "oneWindow_playWindow_icon_change_Handler: not built yet" << deviceId << iconType
           << state;
}

void MainWindow::quadWindow_playWindow_icon_change_Handler(QString groupName, QString deviceId,
                                                           int iconType, bool state) {
  qDebug() << "quadWindow_playWindow_icon_change_Handler: not built yet" << groupName << deviceId
           << iconType << state;
}
