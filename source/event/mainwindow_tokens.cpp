// MainWindow: the two token timers. Both feed refreshToken_timer_Hander;
// starting them (with the refresh interval) and their slots are not built
// yet and only log that they were called.
#include <QDebug>
#include <QTimer>

#include "mainwindow.h"

void MainWindow::refreshToken_timer_Start() {
  qDebug() << "refreshToken_timer_Start: not built yet";
}

void MainWindow::refreshToken_timer_Stop() {
  refreshToken_timer->stop();
  qDebug() << "refreshToken_timer stop";
}

void MainWindow::loginOtherPlace_timer_Start() {
  qDebug() << "loginOtherPlace_timer_Start: not built yet";
}

void MainWindow::loginOtherPlace_timer_Stop() {
  loginOtherPlace_timer->stop();
  qDebug() << "loginOtherPlace_timer stop";
}

void MainWindow::refreshToken_timer_Hander() {
  qDebug() << "refreshToken_timer_Hander: not built yet";
}

void MainWindow::loginOtherPlace_timer_Hander() {
  qDebug() << "loginOtherPlace_timer_Hander: not built yet";
}
