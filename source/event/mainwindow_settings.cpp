// MainWindow: the settings page of the navigation column. The settings
// dialog is not built yet: the slot only logs that it was called.
#include <QDebug>

#include "mainwindow.h"

void MainWindow::setingButton_Handler() { qDebug() << "setingButton_Handler: not built yet"; }
