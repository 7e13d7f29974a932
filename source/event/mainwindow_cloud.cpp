// MainWindow: the cloud calls it owns (application start-up, device list,
// device configuration, token refresh, sign-out), their reply slots, and the
// random text of the sign-in nonce. Not built yet: each member only logs
// that it was called.
#include <QDebug>
#include <QNetworkReply>

#include "mainwindow.h"

void MainWindow::HTTP_Startup() { qDebug() << "HTTP_Startup: not built yet"; }

void MainWindow::HTTP_deviceList() { qDebug() << "HTTP_deviceList: not built yet"; }

void MainWindow::HTTP_devConfig() { qDebug() << "HTTP_devConfig: not built yet"; }

void MainWindow::HTTP_signout() { qDebug() << "HTTP_signout: not built yet"; }

void MainWindow::HTTP_refershToken() { qDebug() << "HTTP_refershToken: not built yet"; }

QString MainWindow::random_string(int len) {
  qDebug() << "random_string: not built yet" << len;
  return QString();
}

void MainWindow::HTTP_appConfigHandler(QNetworkReply*) {
  qDebug() << "HTTP_appConfigHandler: not built yet";
}

void MainWindow::HTTP_is_LANHandler(QNetworkReply*) {
  qDebug() << "HTTP_is_LANHandler: not built yet";
}

void MainWindow::HTTP_liveSecTokenHandler(QNetworkReply*) {
  qDebug() << "HTTP_liveSecTokenHandler: not built yet";
}

void MainWindow::HTTP_deviceListHandler(QNetworkReply*) {
  qDebug() << "HTTP_deviceListHandler: not built yet";
}

void MainWindow::HTTP_refershTokenHandler(QNetworkReply*) {
  qDebug() << "HTTP_refershTokenHandler: not built yet";
}

void MainWindow::HTTP_devConfigHandler(QNetworkReply*) {
  qDebug() << "HTTP_devConfigHandler: not built yet";
}

void MainWindow::HTTP_snapshotHandler(QNetworkReply*) {
  qDebug() << "HTTP_snapshotHandler: not built yet";
}

void MainWindow::HTTP_signoutHandler(QNetworkReply*) {
  qDebug() << "HTTP_signoutHandler: not built yet";
}
