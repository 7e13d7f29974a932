// A signed-in main window for the dialog tests: scratch data folder, the
// build's program folder (pictures), a user menu naming the user "alice",
// her private folder and group table, and an application configuration
// the test can fill. Opened URLs are caught (file, http, https, and the
// schemes a hostile configuration could carry) instead of reaching a desktop.
#pragma once

#include <gtest/gtest.h>

#include <QDesktopServices>
#include <QList>
#include <QObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>

#include "group_file_rows.h"
#include "http_command/cloud_records.h"
#include "mainwindow.h"
#include "view/UserWindow.h"

namespace dialogtest {

// Receives the URLs the program asks the desktop to open.
class UrlCatcher : public QObject {
  Q_OBJECT

 public:
  static constexpr const char* kSchemes[] = {"file", "http", "https", "javascript", "data", "ftp"};
  UrlCatcher() {
    for (const char* scheme : kSchemes) {
      QDesktopServices::setUrlHandler(QLatin1String(scheme), this, "open");
    }
  }
  ~UrlCatcher() override {
    for (const char* scheme : kSchemes) QDesktopServices::unsetUrlHandler(QLatin1String(scheme));
  }
  QList<QUrl> opened;

 public slots:
  void open(const QUrl& url) { opened << url; }
};

class SignedInWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(data_.isValid());
    qputenv("CAMVIEWER_DATA_DIR", data_.path().toUtf8());
    qputenv("CAMVIEWER_PROGRAM_DIR", QByteArray(CAMVIEWER_TEST_PROGRAM_DIR));
    window_ = new MainWindow(nullptr);
    mainwindow = window_;
    menu_ = new UserWindow;
    window_->userWindow = menu_;
    QString user = QStringLiteral("alice");
    menu_->set_userName(user);
    window_->userPrivate_dir_init(user);
    window_->device_groupInfodb_init();
    window_->appConfig = &appConfig_;
  }
  void TearDown() override {
    window_->appConfig = nullptr;
    window_->userWindow = nullptr;
    delete menu_;
    delete window_;
    mainwindow = nullptr;
    qunsetenv("CAMVIEWER_DATA_DIR");
    qunsetenv("CAMVIEWER_PROGRAM_DIR");
  }

  QString dataPath(const QString& name) const { return data_.path() + "/" + name; }

  // The rows of group.dat as the sqlite3 shell prints them ("a|b|c|d|e").
  QString groupRows() const { return testsupport::groupFileRows(window_->userName_private_dir); }

  QTemporaryDir data_;
  MainWindow* window_ = nullptr;
  UserWindow* menu_ = nullptr;
  App_config appConfig_;
  UrlCatcher urls_;
};

}  // namespace dialogtest
