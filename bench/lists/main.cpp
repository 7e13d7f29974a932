// list_bench: the sign-in of an account with many cameras (default 200) and
// many stored groups (default 300, four cameras each, in group.dat) against
// the simulated cloud (tools/cloud/sim_cloud.py), with the real libraries,
// the main window on a private X server (1920 x 1080) in this process.
// It measures, on the GUI thread:
//   ready          from the device-list reply to a window whose lists are
//                  complete (every tile and every group item laid out) and
//                  whose event loop is free again (a timer tick saw it);
//   longest stall  the longest time the GUI thread kept its event loop
//                  waiting (a 5 ms timer's lateness), from the device-list
//                  reply until --after seconds past ready (the cameras'
//                  first connect round, fetch-infos and thumbnails);
//   RSS            of the process at the end;
//   threads        of the process at the end, with the names that hold most;
//   debug.txt      its growth per minute from ready to the end of --after,
//                  and the source lines that wrote most of it;
// and the native windows that exist then, the longest stall until ready,
// and the longest stall when the group page is first shown (and the camera
// page again). The cameras are listed by the cloud only (no simulated
// camera answers: their links never come online), so every camera's
// connect is tried again every few seconds: `--after 30` measures the
// stalls, threads and log of 30 s of such reconnects. Ends with the line
//   list: N cameras G groups, ready S s, longest stall T ms, RSS M MiB,
//   threads K, debug.txt L KiB/min
//
// Runs only inside a private network namespace (scripts/netns.sh).
// Usage: list_bench [--cameras N (200)] [--groups G (300)] [--after S (6, at most 90:
//                   the simulated cloud lives 120 s)]
//                   [--log FILE (a copy of the program's debug.txt)]
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QVBoxLayout>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>

#include "Tessan.h"
#include "adapter_hardWare/AdapterHardware.h"
#include "bench_measures.h"
#include "device/OneWindowDevice.h"
#include "device/QuadWindowDevice.h"
#include "gui_stall_watch.h"
#include "log_growth.h"
#include "thread_census.h"
#include "http_command/cloud_client.h"
#include "http_command/cloud_config.h"
#include "http_command/request_context.h"
#include "mainwindow.h"
#include "private_netns.h"
#include "sim_cloud_process.h"
#include "sql/group_file.h"
#include "sql/user_files.h"
#include "util_class/debug_message_handler.h"
#include "view/LoginWindow.h"
#include "view/UserWindow.h"
#include "xvfb_server.h"

namespace {

const char kAccount[] = "bench@example.com";
const char kPassword[] = "bench-password";
// The simulated cloud ends 120 s after its start (SimCloudProcess): the
// sign-in, the lists and --after fit into that.
constexpr int kMaxAfterSeconds = 90;

struct Options {
  int cameras = 200;
  int groups = 300;
  int afterSeconds = 6;
  const char* keepLog = nullptr;  // debug.txt is copied here at the end
};

bool parseOptions(int argc, char** argv, Options* o) {
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--log") && i + 1 < argc) {
      o->keepLog = argv[++i];
      continue;
    }
    int* target = nullptr;
    if (!std::strcmp(argv[i], "--cameras")) target = &o->cameras;
    else if (!std::strcmp(argv[i], "--groups")) target = &o->groups;
    else if (!std::strcmp(argv[i], "--after")) target = &o->afterSeconds;
    if (!target || i + 1 >= argc) return false;
    *target = std::atoi(argv[++i]);
  }
  return o->cameras > 0 && o->cameras <= 2000 && o->groups >= 0 && o->groups <= 2000 &&
         o->afterSeconds >= 0 && o->afterSeconds <= kMaxAfterSeconds;
}

QString cameraId(int i) { return QStringLiteral("BCAM%1").arg(i, 4, 10, QLatin1Char('0')); }

double rssMiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::atof(line.c_str() + 6) / 1024.0;
  }
  return 0;
}

int nativeWindows() {
  int n = 0;
  for (const QWidget* w : QApplication::allWidgets()) n += w->internalWinId() != 0;
  return n;
}

// The account's stored groups: group g holds four cameras, spread over the list.
bool storeGroups(const Options& o) {
  const QString dir = userPrivate_dir_init(QString::fromLatin1(kAccount));
  if (dir.isEmpty() || !device_groupInfodb_init(dir)) return false;
  for (int g = 0; g < o.groups; ++g) {
    QuadWindowDevice_local_file_node row;
    row.groupName = QStringLiteral("Group %1").arg(g + 1, 3, 10, QLatin1Char('0'));
    QString* places[] = {&row.device_1, &row.device_2, &row.device_3, &row.device_4};
    for (int k = 0; k < 4; ++k) *places[k] = cameraId((g * 4 + k) % o.cameras + 1);
    if (!device_groupInfodb_insert(dir, row)) return false;
  }
  return true;
}

// Types the account into the sign-in dialog once it shows, clicks sign-in
// and runs the dialog; true when it was accepted (bounded).
bool signIn(MainWindow* window) {
  window->readCountryCode_fromJsonFile();
  loginwindow = new LoginWindow;
  window->challenge = loginwindow->getChallenge();
  LoginWindow* dialog = loginwindow;
  bool typed = false;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (typed || QApplication::activeModalWidget() != dialog) return;
    typed = true;
    dialog->findChild<QLineEdit*>("emailEdit")->setText(QString::fromLatin1(kAccount));
    dialog->findChild<QLineEdit*>("passwordEdit")->setText(QString::fromLatin1(kPassword));
    dialog->findChild<QPushButton*>("loginButton")->click();
  });
  poll.start(10);
  QTimer::singleShot(60000, dialog, [dialog] {
    if (QWidget* box = QApplication::activeModalWidget()) {
      if (box != dialog) box->close();
    }
    dialog->reject();
  });
  if (dialog->exec() != QDialog::Accepted) return false;
  window->tokenInfo = loginwindow->getTokenInfo();
  window->countryCode_list_clear();
  window->firstRefresh_done = 0;
  if (!window->tokenInfo) return false;
  window->HTTP_refershToken();
  window->show();
  window->login_running = false;
  return true;
}

int laidOut(QVBoxLayout* layout) { return layout ? layout->count() : 0; }

int run(const Options& o) {
  testsupport::XvfbServer xvfb;
  std::string error;
  if (!xvfb.start(1920, 1080, &error)) {
    std::fprintf(stderr, "list_bench: no X server: %s\n", error.c_str());
    return 1;
  }
  xvfb.exportDisplay();
  qputenv("QT_QPA_PLATFORM", "xcb");
  QTemporaryDir data;
  qputenv("CAMVIEWER_DATA_DIR", data.path().toUtf8());
  qputenv("CAMVIEWER_PROGRAM_DIR", QByteArray(LIST_BENCH_PROGRAM_DIR));
  qputenv("XDG_RUNTIME_DIR", data.path().toUtf8());
  int argc = 1;
  char name[] = "list_bench";
  char* argv[] = {name, nullptr};
  QApplication app(argc, argv);
  // The program's own log (debug.txt in the data folder): writing it is
  // part of what the GUI thread does.
  qInstallMessageHandler(debug_messageHandler);
  request_context::set({QStringLiteral("en-US"), 60, QStringLiteral("bench")});
  adapterHardware.set_screen();

  QStringList cloudArgs{QStringLiteral("--account"),
                        QStringLiteral("%1:%2").arg(kAccount, kPassword)};
  for (int i = 1; i <= o.cameras; ++i) {
    cloudArgs << QStringLiteral("--camera") << QStringLiteral("%1:Camera %2:0").arg(cameraId(i)).arg(i);
  }
  SimCloudProcess cloud;
  QString why;
  if (!cloud.start(cloudArgs, &why) || !cloud_config::installCaFile(cloud.caFile(), &why)) {
    std::fprintf(stderr, "list_bench: %s\n", qPrintable(why));
    return 1;
  }
  qputenv(cloud_config::kUrlVariable, cloud.entryUrl().toUtf8());
  if (!storeGroups(o)) {
    std::fprintf(stderr, "list_bench: cannot write group.dat\n");
    return 1;
  }

  auto* window = new MainWindow(nullptr);
  mainwindow = window;
  window->userWindow = new UserWindow;

  GuiStallWatch watch;
  qint64 replyAt = -1, readyAt = -1, buildStall = -1;
  const std::string logPath = debug_logFilePath().toStdString();
  livebench::LogSample logAtReady;
  QObject::connect(&window->cloud(), &CloudClient::deviceContainerReady, [&] {
    if (replyAt >= 0) return;
    replyAt = watch.nowMs();
    watch.reset();
  });
  QEventLoop loop;
  watch.onTick([&] {
    const qint64 now = watch.nowMs();
    if (replyAt < 0) return;
    if (readyAt < 0 && window->load_deviceList_succeed &&
        laidOut(window->deviceListLayout) == o.cameras &&
        laidOut(window->quadListLayout) == o.groups) {
      readyAt = now;
      buildStall = watch.longestStallMs();
      logAtReady = livebench::sampleLog(logPath);
    }
    if (readyAt >= 0 && now - readyAt >= o.afterSeconds * 1000) loop.quit();
  });
  if (!signIn(window)) {
    std::fprintf(stderr, "list_bench: the sign-in failed\n");
    return 1;
  }
  QTimer::singleShot(90000 + o.afterSeconds * 1000, &loop, &QEventLoop::quit);
  loop.exec();
  const qint64 stall = watch.longestStallMs();
  const livebench::LogSample logAfter = livebench::sampleLog(logPath);
  const livebench::ThreadCensus threads = livebench::threadCensus(getpid());
  // The group page shown for the first time, and the camera page again.
  watch.reset();
  QPushButton* pages[] = {window->screenButton_4, window->cameraButton};
  for (QPushButton* page : pages) {
    page->click();
    QEventLoop settle;
    QTimer::singleShot(500, &settle, &QEventLoop::quit);
    settle.exec();
  }
  const qint64 pageStall = watch.longestStallMs();
  const double rss = rssMiB();
  const int natives = nativeWindows();
  const int tiles = laidOut(window->deviceListLayout);
  const int groups = laidOut(window->quadListLayout);

  window->mainWindow_deleteAllDevice();
  window->cloud().abandonSignin();
  delete loginwindow;
  loginwindow = nullptr;
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  delete window->userWindow;
  window->userWindow = nullptr;
  delete window;
  mainwindow = nullptr;
  APP_uninit();
  if (o.keepLog) {
    QFile::remove(QString::fromLocal8Bit(o.keepLog));
    QFile::copy(debug_logFilePath(), QString::fromLocal8Bit(o.keepLog));
  }

  if (readyAt < 0) {
    std::fprintf(stderr, "list_bench: the lists never completed (%d of %d tiles, %d of %d groups)\n",
                 tiles, o.cameras, groups, o.groups);
    return 1;
  }
  std::printf("tiles %d, group items %d, native windows %d, debug.txt %lld KiB, "
              "longest stall until ready %lld ms, showing the group page %lld ms\n",
              tiles, groups, natives,
              static_cast<long long>(QFileInfo(debug_logFilePath()).size() / 1024),
              static_cast<long long>(buildStall), static_cast<long long>(pageStall));
  const double logRate = livebench::kibPerMinute(logAtReady, logAfter);
  std::printf("%s\n", livebench::describeThreads(threads, 5).c_str());
  std::printf("debug.txt %s KiB/min from ready to %d s after it; most written by %s\n",
              livebench::figure(logRate, 0).c_str(), o.afterSeconds,
              livebench::describeLogKinds(livebench::logKinds(logPath, logAtReady.bytes, logAfter.bytes))
                  .c_str());
  std::printf("list: %d cameras %d groups, ready %.2f s, longest stall %lld ms, RSS %.0f MiB, "
              "threads %d, debug.txt %s KiB/min\n",
              o.cameras, o.groups, (readyAt - replyAt) / 1000.0, static_cast<long long>(stall),
              rss, threads.total, livebench::figure(logRate, 0).c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  netns::requirePrivateNamespaceOrExit("list_bench");
  Options o;
  if (!parseOptions(argc, argv, &o)) {
    std::fprintf(stderr, "usage: list_bench [--cameras N] [--groups G] [--after S (at most %d)] [--log FILE]\n",
                 kMaxAfterSeconds);
    return 2;
  }
  return run(o);
}
