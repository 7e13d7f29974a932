// MainWindow: the signed-in user's files beside the program (private folder,
// remembered user, install id, config.json, group.dat), as thin calls of the
// stores that keep them, and what the user is told when one of them cannot
// be stored (event/stored_file_notices.h).
#include <QApplication>
#include <QDebug>
#include <QTimer>

#include "mainwindow.h"
#include "sql/group_file.h"
#include "sql/user_files.h"
#include "util_class/stored_file_limits.h"
#include "util_class/user_local_config.h"
#include "view/login_form.h"
#include "view/toast_notice.h"
#include "view/UserWindow.h"

void MainWindow::userPrivate_dir_init(QString& userName) {
  userName_private_dir = ::userPrivate_dir_init(userName);
}

void MainWindow::userName_loginReadToLocalFile(QString& out) { ::userName_loginReadToLocalFile(out); }

void MainWindow::userName_loginWriteToLocalFile(QString& userName) {
  ::userName_loginWriteToLocalFile(userName);
}

void MainWindow::userName_loginRemoveLocalFile() { ::userName_loginRemoveLocalFile(); }

void MainWindow::uuidReadToLocalFile(QString& out) { ::uuidReadToLocalFile(out); }

bool MainWindow::readConfigFileFromUsername(QString& userName) {
  UserLocalConfig read;
  if (!::readConfigFileFromUsername(userName, read)) return false;
  delete userLocalConfig;
  userLocalConfig = new UserLocalConfig(read);
  return true;
}

void MainWindow::writeConfigFileUserinfo(QString user, QString& emailUserName,
                                         QString& emailPassWord, QString& phoneUserName,
                                         QString& phonePassWord, int countryCode,
                                         int remeberUser, int loginMode) {
  if (!::writeConfigFileUserinfo(user, emailUserName, emailPassWord, phoneUserName, phonePassWord,
                                 countryCode, remeberUser, loginMode)) {
    storedLoginNotSaved(user);
  }
}

QString MainWindow::lastUser() {
  QString user;
  userName_loginReadToLocalFile(user);
  return user;
}

const UserLocalConfig* MainWindow::openUser(const QString& user) {
  QString name = user;
  userPrivate_dir_init(name);
  if (!readConfigFileFromUsername(name)) return nullptr;
  if (!userLocalConfig) {
    qDebug() << "userLocalConfig is nullptr";
    return nullptr;
  }
  // The user's download folders, where the file names them.
  if (!userLocalConfig->rootSavePath.isEmpty()) rootSavePath = userLocalConfig->rootSavePath;
  if (!userLocalConfig->videoSavePath.isEmpty()) videoSavePath = userLocalConfig->videoSavePath;
  if (!userLocalConfig->pictureSavePath.isEmpty()) pictureSavePath = userLocalConfig->pictureSavePath;
  return userLocalConfig;
}

void MainWindow::beginSignin(const QString& user) {
  QString name = user;
  if (userWindow) userWindow->set_userName(name);
  userPrivate_dir_init(name);
  login_running = true;
  HTTP_Startup();
  device_groupInfodb_init();
}

void MainWindow::rememberSignin(const QString& user, const UserLocalConfig& login) {
  // The login of the mode used; the other mode's remembered login stays.
  if (login.loginMode == kLoginByPhone) {
    phoneUserName = login.phoneUserName;
    phonePassWord = login.phonePassWord;
  } else {
    emailUserName = login.emailUserName;
    emailPassWord = login.emailPassWord;
  }
  countryCode = login.countryCode;
  remeberUser = login.remeberUser;
  loginMode = login.loginMode;
  QString name = user;
  writeConfigFileUserinfo(name, emailUserName, emailPassWord, phoneUserName, phonePassWord, countryCode,
                          remeberUser, loginMode);
  userName_loginWriteToLocalFile(name);
}

void MainWindow::releaseChallenge(const Challenge* record) {
  if (challenge == record) challenge = nullptr;
}

void MainWindow::writeConfigFileAVideoinfo(QString& rootSavePath, QString& videoSavePath,
                                           QString& pictureSavePath) {
  // The file of the user the user menu shows (the one who signed in).
  const QString user = userWindow ? userWindow->get_userName() : QString();
  UserLocalConfig written;
  if (!::writeConfigFileAVideoinfo(user, rootSavePath, videoSavePath, pictureSavePath,
                                   &written)) {
    storedLoginNotSaved(user);
    return;
  }
  // The held record follows what the file now says.
  if (!userLocalConfig) userLocalConfig = new UserLocalConfig;
  userLocalConfig->rootSavePath = written.rootSavePath;
  userLocalConfig->videoSavePath = written.videoSavePath;
  userLocalConfig->pictureSavePath = written.pictureSavePath;
}

void MainWindow::storedLoginNotSaved(const QString& user) {
  const bool tooLarge = storedFileOverLimit(userConfigFilePath(user), kConfigFileMaxBytes);
  notifyStoredFileRefused(tooLarge ? StoredFileNotices::Notice::ConfigTooLarge
                                   : StoredFileNotices::Notice::ConfigNotWritten);
}

void MainWindow::notifyStoredFileRefused(StoredFileNotices::Notice notice) {
  // From any thread; noted and told on the GUI thread.
  QMetaObject::invokeMethod(this, [this, notice] {
    storedFileNotices_.refused(notice);
    tellStoredFileNotices();
  });
}

void MainWindow::tellStoredFileNotices() {
  if (!isVisible()) return;  // told once the window shows
  const QString text = storedFileNotices_.takeWaiting();
  if (text.isEmpty()) return;
  qDebug().noquote() << "told the user:" << text;
  // Over a dialog of the window (the settings), else over the window.
  QWidget* dialog = QApplication::activeModalWidget();
  showToastNotice(text, dialog ? dialog : this);
}

void MainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  // After the window is placed.
  QTimer::singleShot(0, this, [this] { tellStoredFileNotices(); });
}

void MainWindow::device_groupInfodb_init() { ::device_groupInfodb_init(userName_private_dir); }

void MainWindow::device_groupInfodb_insert(QuadWindowDevice_local_file_node& node) {
  ::device_groupInfodb_insert(userName_private_dir, node);
}

void MainWindow::device_groupInfodb_delete_byGroupName(QString& groupName) {
  ::device_groupInfodb_delete_byGroupName(userName_private_dir, groupName);
}
