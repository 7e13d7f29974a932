// MainWindow: the two ways out of a signed-in period. Signing out (user
// menu, or the cloud's 1011) ends the cloud session and the event loop with
// 1, so the program entry shows a new sign-in dialog. Closing the window
// asks first; only Yes lets it close, which ends the application's event
// loop with 0.
#include <QCloseEvent>
#include <QDebug>
#include <QCoreApplication>
#include <QLabel>
#include <QMessageBox>

#include "device/OneWindowDevice.h"
#include "http_command/cloud_client.h"
#include "mainwindow.h"
#include "view/UserWindow.h"

void MainWindow::user_singout_Handler() {
  qDebug() << "user_singout_Handler";
  qDebug() << "oneWindowDevice: " << oneWindowDevice_list.size();
  qDebug() << "quadWindowDevice: " << quadWindowDevice_List.size();
  if (userWindow) userWindow->done(0);
  refreshToken_timer_Stop();
  listTitleLabel->setText(QString());
  // The session ends: both token timers, pending resends and the snapshot
  // pass stop, the device container is freed, the sign-out is posted, and
  // late replies of this session are dropped from now on.
  HTTP_signout();
  playState = E_MAINWINDOW_NOT_PLAYING;
  for (oneWindowDevice* camera : oneWindowDevice_list) {
    camera->set_isPlaying(0);
    camera->avideo_stop_play();
  }
  // Still to come with the group item: stop every group here.
  QCoreApplication::exit(1);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  qDebug() << "MainWindow::closeEvent" << event->type();
  const QMessageBox::StandardButton answer =
      QMessageBox::question(this, tr("Exit"), tr("Confirm to exit the program?"),
                            QMessageBox::Yes | QMessageBox::No, QMessageBox::NoButton);
  if (answer != QMessageBox::Yes) {
    event->ignore();
    return;
  }
  event->accept();
  // The pad is a top-level dialog of its own: it would stay open.
  for (oneWindowDevice* camera : oneWindowDevice_list) {
    camera->P2P_disconnect();
    camera->wholeRenderWindow.ptzWindow.close();
  }
  refreshToken_timer_Stop();
}
