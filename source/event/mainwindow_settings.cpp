// MainWindow: the settings page of the navigation column opens a new
// settings dialog each time and frees it when it closes.
#include <QDebug>

#include "mainwindow.h"
#include "view/SetWindow.h"

void MainWindow::setingButton_Handler() {
  qDebug() << "setingButton_Handler";
  SetWindow setWindow;
  setWindow.exec();
}
