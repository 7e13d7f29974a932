#include "view/LoginWindow.h"

#include <QDebug>

#include "adapter_hardWare/AdapterHardware.h"
#include "http_command/cloud_records.h"
#include "mainwindow.h"

LoginWindow::LoginWindow() : QDialog(nullptr) {
  setWindowTitle(mainwindow ? mainwindow->appTitle : QStringLiteral("Orvanta Cloud"));
  setFixedSize(adapterHardware.sx(640), adapterHardware.sy(880));
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
  challenge = new Challenge;
}

LoginWindow::~LoginWindow() { qDebug() << "_______ ~LoginWindow"; }

Challenge* LoginWindow::getChallenge() { return challenge; }

Signin* LoginWindow::getTokenInfo() { return tokenInfo; }
