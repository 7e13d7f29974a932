#include "app_entry.h"

#include <QApplication>
#include <QDebug>
#include <QFont>
#include <QLocale>

#include <cstdio>

#include "adapter_hardWare/AdapterHardware.h"
#include "http_command/SnapshotRequestThread.h"
#include "http_command/cloud_config.h"
#include "http_command/request_context.h"
#include "mainwindow.h"
#include "sql/user_files.h"
#include "util_class/build_stamp.h"
#include "util_class/debug_message_handler.h"
#include "util_class/exit_signals.h"
#include "util_class/single_instance.h"
#include "util_class/utc_offset.h"
#include "view/LoginWindow.h"
#include "view/UserWindow.h"

namespace app_entry {

namespace {

// What the loop does after the main window's event loop returned.
enum class AfterSession { SignInAgain, Exit };

// One pass of the sign-in loop: the dialog, then (when it signed someone
// in) the main window until it signs out or closes.
AfterSession signInPass(QApplication& app) {
  mainwindow->readCountryCode_fromJsonFile();
  loginwindow = new LoginWindow;
  mainwindow->challenge = loginwindow->getChallenge();
  if (loginwindow->exec() != QDialog::Accepted) return AfterSession::Exit;

  mainwindow->tokenInfo = loginwindow->getTokenInfo();
  mainwindow->countryCode_list_clear();
  mainwindow->firstRefresh_done = 0;
  if (!mainwindow->tokenInfo) {
    qDebug() << "login err information null";
    return AfterSession::Exit;
  }
  mainwindow->HTTP_refershToken();
  mainwindow->show();
  mainwindow->login_running = false;
  const int result = app.exec();
  qDebug() << "exec_return :" << result;
  if (result != 1) return AfterSession::Exit;

  // Signed out: the cameras and groups go, the next user starts afresh.
  mainwindow->mainWindow_deleteAllDevice();
  mainwindow->hide();
  delete loginwindow;
  loginwindow = nullptr;
  return AfterSession::SignInAgain;
}

// SIGTERM, SIGINT or SIGHUP: the program ends as a close answered with Yes
// ends it, whatever window or dialog is open; the event loop that runs
// returns (a dialog's with "not accepted", the main window's with 0), and
// the sign-in loop ends.
void endOnSignal(int signal) {
  qDebug() << "signal" << signal << ": the program ends as a close answered with Yes";
  if (mainwindow) mainwindow->exitConfirmed();
  QCoreApplication::exit(0);
}

// The program ends: every camera and group goes (each camera waits for its
// worker threads) and the snapshot pass ends while the application object
// still exists, so no thread of ours runs on while it goes.
void releaseBeforeExit() {
  mainwindow->mainWindow_deleteAllDevice();
  if (mainwindow->snapshotRequestThread) mainwindow->snapshotRequestThread->stopRequests();
}

}  // namespace

int run(int argc, char** argv) {
  // The program scales its own design sizes to the screen.
  QCoreApplication::setAttribute(Qt::AA_DisableHighDpiScaling);
  QApplication app(argc, argv);

  // Before anything touches debug.txt: a second copy must leave the running
  // copy's log alone, so it stops here without logging or showing anything.
  QString why;
  switch (single_instance::check(&why)) {
    case single_instance::Outcome::AlreadyRunning:
      return 1;
    case single_instance::Outcome::Unavailable:
      std::fprintf(stderr, "camviewer: running without the single-instance guard: %s\n",
                   why.toLocal8Bit().constData());
      break;
    case single_instance::Outcome::First:
      break;
  }

  qInstallMessageHandler(debug_messageHandler);
  debug_removeOldLog();
  if (!exit_signals::install(endOnSignal, &why))
    qDebug() << "termination signals end the program at once:" << why;
  user_files::prepareDataFolder();
  adapterHardware.set_screen();

  mainwindow = new MainWindow(nullptr);
  mainwindow->userWindow = new UserWindow;

  QApplication::setFont(QFont(QStringLiteral("Segoe UI")));
  qDebug() << "version number:" << kCamviewerVersion;
  qDebug() << "compile Date and time" << programBuildDate().toString(Qt::TextDate)
           << programBuildTime().toString(Qt::TextDate);
  mainwindow->localtz = currentUtcOffsetMinutes();
  mainwindow->systemLocale = QLocale::system().bcp47Name();

  request_context::set(request_context::fromSystem());
  CloudConfig cloud;
  QString cloudError;
  if (!cloud_config::apply(cloud, &cloudError)) return 2;  // apply reported why

  // The main window, the user menu and the last sign-in dialog live until
  // the process ends.
  while (signInPass(app) == AfterSession::SignInAgain) {
  }
  releaseBeforeExit();
  return 0;
}

}  // namespace app_entry
