// MainWindow: the two ways out of a signed-in period. Signing out (user
// menu, or the cloud's 1011) stops every play and every camera's link,
// ends the cloud session and the event loop with 1, so the program entry
// removes the cameras and groups and shows a new sign-in dialog. Closing
// the window asks first; only Yes stops the plays and links and lets it
// close, which ends the application's event loop with 0 (the program entry
// then removes the cameras and groups before the application goes). A
// termination signal takes the Yes path without asking.
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDebug>
#include <QLabel>
#include <QMessageBox>

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
  listNotices_.sessionEnded();
  showListNotice();
  storedFileNotices_.sessionEnded();
  playState = E_MAINWINDOW_NOT_PLAYING;
  sessionEnd_.stopEveryPlay();
  sessionEnd_.endEveryLink();
  // The session ends: both token timers, pending resends and the snapshot
  // pass stop, the device container is freed, the sign-out is posted, and
  // late replies of this session are dropped from now on.
  HTTP_signout();
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
  exitConfirmed();
}

void MainWindow::exitConfirmed() {
  // No play outlives the window: the worker threads wind down now, and the
  // program entry waits for them before the application goes.
  sessionEnd_.stopEveryPlay();
  sessionEnd_.endEveryLink();
  // The pad is a top-level dialog of its own: it would stay open.
  sessionEnd_.closePtzPads();
  refreshToken_timer_Stop();
}
