// The main window without a real screen: the constructor's connections
// reach their slots, closing asks first, and the per-user file members keep
// the window's own copies in step with the files.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QNetworkAccessManager>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>

#include "http_command/SnapshotRequestThread.h"
#include "log_capture.h"
#include "mainwindow.h"
#include "message_box_answer.h"
#include "util_class/user_local_config.h"
#include "view/UserWindow.h"

namespace {

using testsupport::LogCapture;

// Scratch folders for what the window writes and what ships with it.
class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(data_.isValid() && program_.isValid());
    qputenv("CAMVIEWER_DATA_DIR", data_.path().toUtf8());
    qputenv("CAMVIEWER_PROGRAM_DIR", program_.path().toUtf8());
  }
  void TearDown() override {
    qunsetenv("CAMVIEWER_DATA_DIR");
    qunsetenv("CAMVIEWER_PROGRAM_DIR");
  }
  QTemporaryDir data_;
  QTemporaryDir program_;
};

// Runs the event loop until `done` holds or `ms` pass.
bool waitUntil(const std::function<bool()>& done, int ms = 60000) {
  const QDeadlineTimer deadline(ms);
  while (!done() && !deadline.hasExpired()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return done();
}

TEST_F(MainWindowTest, ConstructorConnectionsReachTheirSlots) {
  MainWindow w;
  EXPECT_EQ(w.windowTitle(), QStringLiteral("Orvanta Cloud"));
  EXPECT_EQ(w.imageFolder, QStringLiteral("/Orvanta_image/"));
  EXPECT_FALSE(w.machineName.isEmpty());
  EXPECT_EQ(w.playState, E_MAINWINDOW_NOT_PLAYING);
  EXPECT_FALSE(w.snapshotRequestThread->isRunning());

  const struct {
    const char* what;
    std::function<void()> fire;
    const char* slotLine;  // null: reaches no slot
  } cases[] = {
      {"userButton", [&] { w.userButton->click(); }, "userButton_Handler: no user menu"},
      {"cameraButton", [&] { w.cameraButton->click(); }, "cameraButton_Handler not response"},
      {"screenButton_4", [&] { w.screenButton_4->click(); }, "quadButton_Handler not response"},
      {"setingButton",
       [&] {
         // The settings dialog is modal: close it once it is up.
         QTimer::singleShot(0, [] {
           if (QWidget* dialog = QApplication::activeModalWidget()) dialog->close();
         });
         w.setingButton->click();
       },
       "setingButton_Handler"},
      {"appConfigManager", [&] { emit w.appConfigManager->finished(nullptr); },
       "HTTP_appConfigHandler"},
      {"deviceListManager", [&] { emit w.deviceListManager->finished(nullptr); },
       "HTTP_deviceListHandler"},
      {"refreshTokenManager", [&] { emit w.refreshTokenManager->finished(nullptr); },
       "HTTP_refershTokenHandler"},
      {"devConfigManager", [&] { emit w.devConfigManager->finished(nullptr); },
       "HTTP_devConfigHandler"},
      {"isLANManager", [&] { emit w.isLANManager->finished(nullptr); }, "HTTP_is_LANHandler"},
      {"liveSecTokenManager", [&] { emit w.liveSecTokenManager->finished(nullptr); },
       "HTTP_liveSecTokenHandler"},
      {"snapshotManager", [&] { emit w.snapshotManager->finished(nullptr); },
       "HTTP_snapshotHandler"},
      {"signoutManager", [&] { emit w.signoutManager->finished(nullptr); }, nullptr},
      {"delete_quadDevice", [&] { emit w.delete_quadDevice(QStringLiteral("g")); },
       "delete_quadDevice_Handler"},
      {"update_device_state", [&] { emit w.update_device_state(QStringLiteral("d"), 10); },
       "update_device_state_Handler"},
      {"localPictureLoad_singnal", [&] { emit w.localPictureLoad_singnal(); },
       "oneWindow_deviceList_create_Handler"},
      {"device_stop_play", [&] { emit w.device_stop_play(QStringLiteral("d")); },
       "device_stop_play_Handler"},
      {"device_change_record_picture_state",
       [&] { emit w.device_change_record_picture_state(QStringLiteral("d"), false); },
       "device_change_record_picture_state_Handler"},
      {"user_singout", [&] { emit w.user_singout(); }, "user_singout_Handler"},
      {"oneWindow_playWindow_icon_change",
       [&] { emit w.oneWindow_playWindow_icon_change(QStringLiteral("d"), E_ICON_PLAY, true); },
       "oneWindow_playWindow_icon_change_Handler"},
      {"quadWindow_playWindow_icon_change",
       [&] {
         emit w.quadWindow_playWindow_icon_change(QStringLiteral("g"), QStringLiteral("d"),
                                                  E_ICON_QUAD_MAXIMIZE, true);
       },
       "quadWindow_playWindow_icon_change_Handler"},
      {"quadWindow_devicelistUpdate", [&] { emit w.quadWindow_devicelistUpdate(); },
       "update_quadDeviceList_Handler"},
      {"update_device_record_time",
       [&] { emit w.update_device_record_time(QStringLiteral("d")); }, nullptr},
  };
  for (const auto& c : cases) {
    LogCapture log;
    c.fire();
    QCoreApplication::processEvents();
    const QStringList lines = log.lines();
    if (c.slotLine) {
      // The slot's own first line shows it was reached (a built slot logs more).
      ASSERT_FALSE(lines.isEmpty()) << c.what;
      EXPECT_TRUE(lines[0].startsWith(QLatin1String(c.slotLine))) << c.what << ": "
                                                                  << lines[0].toStdString();
    } else {
      EXPECT_TRUE(lines.isEmpty()) << c.what << ": " << lines.join('|').toStdString();
    }
  }

  // Both token timers feed the refresh slot; the login-other-place slot is fed by nothing.
  for (QTimer* timer : {w.refreshToken_timer, w.loginOtherPlace_timer}) {
    LogCapture log;
    timer->start(1);
    EXPECT_TRUE(waitUntil([&] { return log.count(QStringLiteral("refreshToken_timer_Hander")) > 0; }));
    timer->stop();
    EXPECT_EQ(log.count(QStringLiteral("loginOtherPlace_timer_Hander")), 0);
  }
}

TEST_F(MainWindowTest, StopOperationsStopTheirTimers) {
  MainWindow w;
  LogCapture log;
  w.refreshToken_timer->start(100000);
  w.loginOtherPlace_timer->start(100000);
  w.loginOtherPlace_timer_Stop();
  EXPECT_FALSE(w.loginOtherPlace_timer->isActive());
  EXPECT_TRUE(w.refreshToken_timer->isActive());
  w.refreshToken_timer_Stop();
  EXPECT_FALSE(w.refreshToken_timer->isActive());
  EXPECT_EQ(log.count(QStringLiteral("loginOtherPlace_timer stop")), 1);
  EXPECT_EQ(log.count(QStringLiteral("refreshToken_timer stop")), 1);
}

// Closing asks "Confirm to exit the program?": No keeps the window and the
// token refresh going, Yes closes it and stops the refresh timer.
TEST_F(MainWindowTest, ClosingAsksFirst) {
  MainWindow w;
  w.show();
  w.refreshToken_timer->start(100000);
  w.loginOtherPlace_timer->start(100000);

  auto no = testsupport::answerNextMessageBox(QMessageBox::No);
  EXPECT_FALSE(w.close());
  ASSERT_TRUE(no->answered);
  EXPECT_EQ(no->title, QStringLiteral("Exit"));
  EXPECT_EQ(no->text, QStringLiteral("Confirm to exit the program?"));
  EXPECT_TRUE(w.isVisible());
  EXPECT_TRUE(w.refreshToken_timer->isActive());

  auto yes = testsupport::answerNextMessageBox(QMessageBox::Yes);
  EXPECT_TRUE(w.close());
  ASSERT_TRUE(yes->answered);
  EXPECT_FALSE(w.isVisible());
  EXPECT_FALSE(w.refreshToken_timer->isActive());
}

TEST_F(MainWindowTest, UserMenuGoesWithTheWindow) {
  QPointer<UserWindow> menu = new UserWindow;
  {
    MainWindow w;
    w.userWindow = menu;
  }
  EXPECT_FALSE(menu.isNull());  // scheduled, not deleted at once
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(menu.isNull());
}

TEST_F(MainWindowTest, UserFilesKeepTheWindowsCopies) {
  MainWindow w;
  UserWindow menu;
  w.userWindow = &menu;
  QString user = QStringLiteral("ann@example.com");
  menu.set_userName(user);

  w.userPrivate_dir_init(user);
  EXPECT_EQ(w.userName_private_dir,
            data_.path() + "/user_private_dir/ann@example.com_private_dir/");
  EXPECT_FALSE(w.readConfigFileFromUsername(user));  // no file yet
  EXPECT_EQ(w.userLocalConfig, nullptr);

  // Folders picked before any read: the window's record is made from the file.
  QString root = QStringLiteral("/media/root");
  QString video;
  QString picture = QStringLiteral("/media/pictures");
  w.writeConfigFileAVideoinfo(root, video, picture);
  ASSERT_NE(w.userLocalConfig, nullptr);
  EXPECT_EQ(w.userLocalConfig->rootSavePath, root);
  EXPECT_EQ(w.userLocalConfig->pictureSavePath, picture);
  EXPECT_TRUE(w.userLocalConfig->videoSavePath.isEmpty());

  QString email = user, password = QStringLiteral("pw"), phone, phonePassword;
  w.writeConfigFileUserinfo(user, email, password, phone, phonePassword, 44, 1, 0);
  ASSERT_TRUE(w.readConfigFileFromUsername(user));
  EXPECT_EQ(w.userLocalConfig->emailUserName, email);
  EXPECT_EQ(w.userLocalConfig->countryCode, 44);
  EXPECT_EQ(w.userLocalConfig->rootSavePath, root);  // the folders were kept

  // Only the non-empty folder changes, in the file and in the record.
  QString none;
  video = QStringLiteral("/media/video");
  w.writeConfigFileAVideoinfo(none, video, none);
  EXPECT_EQ(w.userLocalConfig->rootSavePath, root);
  EXPECT_EQ(w.userLocalConfig->videoSavePath, video);
  UserLocalConfig stored;
  ASSERT_TRUE(readConfigFileFromUsername(user, stored));
  EXPECT_EQ(stored.videoSavePath, video);
  EXPECT_EQ(stored.emailUserName, email);

  QString uuid1, uuid2;
  w.uuidReadToLocalFile(uuid1);
  w.uuidReadToLocalFile(uuid2);
  EXPECT_EQ(uuid1.size(), 38);
  EXPECT_EQ(uuid1, uuid2);
  w.userName_loginWriteToLocalFile(user);
  QString remembered;
  w.userName_loginReadToLocalFile(remembered);
  EXPECT_EQ(remembered, user);
  w.userName_loginRemoveLocalFile();
  QString forgotten = QStringLiteral("unchanged");
  w.userName_loginReadToLocalFile(forgotten);
  EXPECT_EQ(forgotten, QStringLiteral("unchanged"));
  w.userWindow = nullptr;
}

}  // namespace
