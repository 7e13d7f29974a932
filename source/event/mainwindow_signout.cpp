// MainWindow: the two ways out of a signed-in period. Signing out (back to
// the sign-in dialog) is not built yet and only logs that it was called.
// Closing the window asks first; only Yes lets it close, which ends the
// application's event loop with 0.
#include <QCloseEvent>
#include <QDebug>
#include <QMessageBox>

#include "mainwindow.h"

void MainWindow::user_singout_Handler() { qDebug() << "user_singout_Handler: not built yet"; }

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
  // Still to come with the camera object: for every camera in list order,
  // end its device-link connection and close its play view's PTZ pad.
  refreshToken_timer_Stop();
}
