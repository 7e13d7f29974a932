// MainWindow: the two token timers, started and stopped by the cloud
// protocol object (interval from the access token's lifetime, clamped);
// both feed refreshToken_timer_Hander.
#include <QDebug>
#include <QTimer>

#include "http_command/cloud_client.h"
#include "mainwindow.h"

void MainWindow::refreshToken_timer_Start() { cloud().refreshTimerStart(); }

void MainWindow::refreshToken_timer_Stop() { cloud().refreshTimerStop(); }

void MainWindow::loginOtherPlace_timer_Start() { cloud().otherPlaceTimerStart(); }

void MainWindow::loginOtherPlace_timer_Stop() { cloud().otherPlaceTimerStop(); }

void MainWindow::refreshToken_timer_Hander() {
  qDebug() << "refreshToken_timer_Hander";
  HTTP_refershToken();
}

void MainWindow::loginOtherPlace_timer_Hander() {
  qDebug() << "loginOtherPlace_timer_Hander";
  HTTP_refershToken();
}
