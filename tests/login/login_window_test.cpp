// The sign-in dialog and the country picker as widgets (offscreen): the
// names they send, the messages that send nothing, one request per sign-in,
// the remembered login in both modes, remember-me off, the picker's filter
// and Done; and sign-ins through the real dialog against the simulated
// cloud: one that reaches the device list, and ones whose camera list is
// refused or malformed (said in the main window; sign-out still works).
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <memory>

#include "../app/log_capture.h"
#include "../app/message_box_answer.h"
#include "../cloud/fake_cloud_manager.h"
#include "../cloud/sim_cloud_process.h"
#include "http_command/SnapshotRequestThread.h"
#include "http_command/cloud_client.h"
#include "http_command/cloud_config.h"
#include "http_command/request_context.h"
#include "login_fixture.h"
#include "mainwindow.h"
#include "netns_test.h"
#include "util_class/user_local_config.h"
#include "view/CountryCodeWindow.h"
#include "view/LoginWindow.h"
#include "view/UserWindow.h"

namespace {

bool waitUntil(const std::function<bool()>& done, int ms = 60000) {
  const QDeadlineTimer deadline(ms);
  while (!done() && !deadline.hasExpired()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return done();
}

class LoginWindowTest : public MainWindowFixture {
 protected:
  void SetUp() override {
    MainWindowFixture::SetUp();
    request_context::set({QStringLiteral("en-US"), 0, QStringLiteral("host1")});
    // Requests of the sign-in button are counted, not sent.
    startup_ = std::make_unique<FakeCloudManager>(
        [](const FakeRequest&) { return FakeAnswer{0, QNetworkReply::ConnectionRefusedError, {}}; },
        &sent_);
    mainwindow->cloud().attachManager(CloudCall::AppStartup, startup_.get());
  }
  void TearDown() override {
    dialog_.reset();
    MainWindowFixture::TearDown();
  }

  LoginWindow& dialog() {
    if (!dialog_) {
      dialog_ = std::make_unique<LoginWindow>();
      loginwindow = dialog_.get();
      mainwindow->challenge = dialog_->getChallenge();
    }
    return *dialog_;
  }
  template <typename T>
  T* child(const char* name) {
    T* w = dialog().findChild<T*>(QString::fromLatin1(name));
    EXPECT_TRUE(w) << name;
    return w;
  }
  void type(const char* field, const QString& text) { child<QLineEdit>(field)->setText(text); }
  void clickSignIn() { child<QPushButton>("loginButton")->click(); }
  static QString readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
  }
  // A login remembered by an earlier sign-in: config.json and the last user.
  static void remember(QString user, const QString& emailPassWord, const QString& phone,
                       const QString& phonePassWord, int code, int mode) {
    ASSERT_TRUE(QDir().mkpath(QFileInfo(userConfigFilePath(user)).absolutePath()));
    ASSERT_TRUE(writeConfigFileUserinfo(user, mode == 0 ? user : QString(), emailPassWord, phone,
                                        phonePassWord, code, 1, mode));
    mainwindow->userName_loginWriteToLocalFile(user);
  }

  QList<FakeRequest> sent_;
  std::unique_ptr<FakeCloudManager> startup_;
  std::unique_ptr<LoginWindow> dialog_;
};

struct PhoneCase {
  int code;
  const char* number;
  const char* challengeName;
};

class LoginPhonePrefix : public LoginWindowTest, public ::testing::WithParamInterface<PhoneCase> {};

TEST_P(LoginPhonePrefix, ChallengeNameCarriesThePaddedCodeFilesTheBareNumber) {
  const PhoneCase& c = GetParam();
  child<QPushButton>("phoneLoginWayButton")->click();
  dialog().setCountry(c.code);
  child<QPushButton>("remeberButton")->click();  // remember me on
  type("phoneEdit", c.number);
  type("passwordEdit", "pw");
  clickSignIn();
  EXPECT_EQ(dialog().getChallenge()->username, c.challengeName);
  EXPECT_EQ(dialog().getChallenge()->password, "pw");
  EXPECT_EQ(sent_.size(), 1);
  EXPECT_EQ(readFile(dataPath("userNameLastLogin.txt")), c.number);
  EXPECT_TRUE(QFileInfo::exists(dataPath(QStringLiteral("user_private_dir/%1_private_dir/config.json")
                                             .arg(c.number))));
  EXPECT_EQ(child<QLabel>("prefixLabel")->text(), QStringLiteral("+%1").arg(c.code));
}

INSTANTIATE_TEST_SUITE_P(Table, LoginPhonePrefix,
                         ::testing::Values(PhoneCase{86, "13800138000", "008613800138000"},
                                           PhoneCase{852, "61234567", "85261234567"},
                                           PhoneCase{1, "5550100", "00015550100"}));

struct EmptyCase {
  const char* name;
  const char* user;
  const char* password;
  const char* message;
};

class LoginEmptyInput : public LoginWindowTest, public ::testing::WithParamInterface<EmptyCase> {};

TEST_P(LoginEmptyInput, ShowsTheMessageSendsNothingAndReturnsToTheInputs) {
  const EmptyCase& c = GetParam();
  type("emailEdit", c.user);
  type("passwordEdit", c.password);
  dialog().show();
  auto seen = testsupport::answerNextMessageBox(QMessageBox::Ok);
  clickSignIn();
  ASSERT_TRUE(waitUntil([&] { return seen->answered; }));
  EXPECT_EQ(seen->title, "login");
  EXPECT_EQ(seen->text, c.message);
  EXPECT_TRUE(sent_.isEmpty());
  EXPECT_FALSE(mainwindow->login_running);
  EXPECT_FALSE(dialog().loginClicked);
  EXPECT_TRUE(child<QPushButton>("loginButton")->isVisible());
  EXPECT_FALSE(child<QLabel>("loadingLabel")->isVisible());
}

INSTANTIATE_TEST_SUITE_P(
    Table, LoginEmptyInput,
    ::testing::Values(EmptyCase{"NoPassword", "a@b.c", "", "Password is empty !!!"},
                      EmptyCase{"PasswordOfSpaces", "a@b.c", "   ", "Password is empty !!!"},
                      EmptyCase{"NoUser", "  ", "pw", "User name is empty !!!"}),
    [](const ::testing::TestParamInfo<EmptyCase>& i) { return std::string(i.param.name); });

TEST_F(LoginWindowTest, DoubleClickSendsOneRequest) {
  type("emailEdit", "a@b.c");
  type("passwordEdit", "pw");
  clickSignIn();
  clickSignIn();
  waitUntil([] { return false; }, 100);
  EXPECT_EQ(sent_.size(), 1);
  EXPECT_TRUE(mainwindow->login_running);
  EXPECT_TRUE(child<QLabel>("loadingLabel")->isVisibleTo(&dialog()));
  EXPECT_FALSE(child<QPushButton>("loginButton")->isVisibleTo(&dialog()));
}

TEST_F(LoginWindowTest, CloudThatNeverAnswersGivesTheInputsBackWithAMessage) {
  // The refused start-up replies reach the window's handler as in the program.
  QObject::connect(startup_.get(), &QNetworkAccessManager::finished, mainwindow,
                   &MainWindow::HTTP_appConfigHandler);
  type("emailEdit", "a@b.c");
  type("passwordEdit", "pw");
  dialog().show();
  auto seen = testsupport::answerNextMessageBox(QMessageBox::Ok, 20000);
  testsupport::LogCapture log;
  clickSignIn();
  ASSERT_TRUE(waitUntil([&] { return seen->answered; }, 60000));
  EXPECT_EQ(seen->title, "login");
  // Words a user reads; the technical reason is in the log only.
  EXPECT_EQ(seen->text, CloudClient::kCloudUnreachableText);
  EXPECT_FALSE(seen->text.contains("Error")) << seen->text.toStdString();
  EXPECT_FALSE(seen->text.contains("HTTP")) << seen->text.toStdString();
  EXPECT_EQ(log.count("gave up after 5 failures in a row, the last:"), 1);
  EXPECT_GE(log.count("ConnectionRefusedError"), 5) << log.lines().join("\n").toStdString();
  EXPECT_EQ(sent_.size(), 5);
  EXPECT_FALSE(mainwindow->login_running);
  EXPECT_FALSE(dialog().loginClicked);
  EXPECT_TRUE(child<QPushButton>("loginButton")->isVisible());
  EXPECT_FALSE(child<QLabel>("loadingLabel")->isVisible());
  waitUntil([] { return false; }, 200);
  EXPECT_EQ(sent_.size(), 5) << "nothing more after giving up";
}

TEST_F(LoginWindowTest, RestoresARememberedEmailLogin) {
  remember("a@b.c", "mailpw", "", "", 0, 0);
  EXPECT_EQ(child<QLineEdit>("emailEdit")->text(), "a@b.c");
  EXPECT_EQ(child<QLineEdit>("passwordEdit")->text(), "mailpw");
  EXPECT_TRUE(dialog().remeberRestored);
  EXPECT_EQ(dialog().loginMode, 0);
  EXPECT_FALSE(child<QWidget>("phoneInput")->isVisibleTo(&dialog()));
  EXPECT_TRUE(child<QLineEdit>("emailEdit")->isVisibleTo(&dialog()));
  EXPECT_FALSE(child<QPushButton>("countryButton")->isVisibleTo(&dialog()));
  EXPECT_EQ(mainwindow->remeberUser, 1);
}

TEST_F(LoginWindowTest, RestoresARememberedPhoneLoginWithItsCountry) {
  remember("61234567", "", "61234567", "phonepw", 852, 1);
  EXPECT_EQ(child<QLineEdit>("phoneEdit")->text(), "61234567");
  EXPECT_EQ(child<QLineEdit>("passwordEdit")->text(), "phonepw");
  EXPECT_EQ(child<QLabel>("prefixLabel")->text(), "+852");
  EXPECT_EQ(child<QPushButton>("countryButton")->text(), "Hong Kong");
  EXPECT_TRUE(child<QPushButton>("countryButton")->isVisibleTo(&dialog()));
  EXPECT_TRUE(child<QWidget>("phoneInput")->isVisibleTo(&dialog()));
  EXPECT_EQ(dialog().loginMode, 1);
  EXPECT_EQ(dialog().countryCode, 852);
  // Signing in sends the padded name of the restored country.
  clickSignIn();
  EXPECT_EQ(dialog().getChallenge()->username, "85261234567");
}

TEST_F(LoginWindowTest, RemembermeOffForgetsTheStoredPasswordAndTheLastUser) {
  remember("a@b.c", "mailpw-secret", "", "", 0, 0);
  ASSERT_TRUE(dialog().remeberRestored);
  child<QPushButton>("remeberButton")->click();  // off
  clickSignIn();
  EXPECT_EQ(sent_.size(), 1);
  EXPECT_FALSE(QFile::exists(dataPath("userNameLastLogin.txt")));
  const QString config = readFile(userConfigFilePath("a@b.c"));
  EXPECT_FALSE(config.isEmpty());
  EXPECT_FALSE(config.contains("mailpw-secret")) << config.toStdString();
  // The next dialog starts empty.
  dialog_.reset();
  EXPECT_TRUE(child<QLineEdit>("emailEdit")->text().isEmpty());
  EXPECT_TRUE(child<QLineEdit>("passwordEdit")->text().isEmpty());
}

// Another user is the remembered one: the dialog shows them, remember-me is
// turned off and a different user, who was remembered on an earlier
// sign-in, is typed. Signing in forgets the typed user's stored password
// too, not only the last user's.
TEST_F(LoginWindowTest, RemembermeOffForgetsTheTypedUsersPasswordWhenAnotherIsRemembered) {
  remember("typed@b.c", "typed-secret", "", "", 0, 0);
  remember("last@b.c", "last-secret", "", "", 0, 0);  // the last user now
  ASSERT_EQ(child<QLineEdit>("emailEdit")->text(), "last@b.c");
  child<QPushButton>("remeberButton")->click();  // off
  type("emailEdit", "typed@b.c");
  type("passwordEdit", "typed-now");
  clickSignIn();
  EXPECT_EQ(sent_.size(), 1);
  for (const char* user : {"typed@b.c", "last@b.c"}) {
    SCOPED_TRACE(user);
    const QString config = readFile(userConfigFilePath(user));
    EXPECT_FALSE(config.isEmpty());
    EXPECT_FALSE(config.contains("secret")) << config.toStdString();
    EXPECT_FALSE(config.contains("typed-now")) << config.toStdString();
    UserLocalConfig stored;
    ASSERT_TRUE(readConfigFileFromUsername(user, stored));
    EXPECT_EQ(stored.remeberUser, 0);
  }
  EXPECT_FALSE(QFile::exists(dataPath("userNameLastLogin.txt")));
}

// ---- the country picker ------------------------------------------------------

QStringList shownCountries(CountryCodeWindow& picker) {
  QStringList names;
  for (QPushButton* b : picker.countryButtons) names << b->objectName();
  return names;
}

TEST_F(LoginWindowTest, PickerFiltersCaseInsensitivelyAndDoneNeedsTheWholeName) {
  child<QPushButton>("phoneLoginWayButton")->click();
  CountryCodeWindow picker(&dialog());
  EXPECT_EQ(shownCountries(picker).size(), 6);
  EXPECT_EQ(picker.countryButtons[2]->text(), "China    +86");
  picker.filterEdit.setText("chi");
  EXPECT_EQ(shownCountries(picker), QStringList({"China", "Chile"}));
  picker.filterEdit.setText("  china ");  // the whole name, but not its case
  picker.doneButton.click();
  EXPECT_EQ(dialog().countryCode, 0);
  EXPECT_EQ(child<QLabel>("prefixLabel")->text(), "+ ");
}

TEST_F(LoginWindowTest, PickingACountryButtonThenDoneSelectsIt) {
  child<QPushButton>("phoneLoginWayButton")->click();
  CountryCodeWindow picker(&dialog());
  picker.filterEdit.setText("ng");
  ASSERT_EQ(shownCountries(picker), QStringList({"United Kingdom", "Hong Kong"}));
  picker.countryButtons[1]->click();  // rebuilds the list under the clicked button
  EXPECT_EQ(picker.filterEdit.text(), "Hong Kong");
  EXPECT_EQ(shownCountries(picker), QStringList({"Hong Kong"}));
  QCoreApplication::processEvents();  // the old buttons go now
  picker.doneButton.click();
  EXPECT_EQ(dialog().countryCode, 852);
  EXPECT_EQ(child<QLabel>("prefixLabel")->text(), "+852");
  // The country button names the chosen country.
  EXPECT_EQ(child<QPushButton>("countryButton")->text(), "Hong Kong");
}

TEST_F(LoginWindowTest, TypedFullNameWithBlanksAndCancel) {
  CountryCodeWindow picker(&dialog());
  picker.filterEdit.setText(" United Kingdom ");
  picker.cancelButton.click();
  EXPECT_EQ(dialog().countryCode, 0);
  picker.doneButton.click();
  EXPECT_EQ(dialog().countryCode, 44);
}

TEST_F(LoginWindowTest, PickerWithoutATableShowsNothingAndChangesNothing) {
  mainwindow->countryCode_list_clear();
  CountryCodeWindow picker(&dialog());
  EXPECT_TRUE(picker.countryButtons.isEmpty());
  picker.filterEdit.setText("China");
  picker.doneButton.click();
  EXPECT_EQ(dialog().countryCode, 0);
}

// ---- the real dialog against the simulated cloud ---------------------------

TEST_F(LoginWindowTest, SignInThroughTheDialogReachesTheDeviceList) {
  REQUIRE_PRIVATE_NETNS();
  SimCloudProcess cloud;
  QString why;
  ASSERT_TRUE(cloud.start({}, &why)) << why.toStdString();
  ASSERT_TRUE(cloud_config::installCaFile(cloud.caFile(), &why)) << why.toStdString();
  qputenv(cloud_config::kUrlVariable, cloud.entryUrl().toUtf8());
  delete mainwindow;  // a window that reads the new entry URL
  mainwindow = new MainWindow(nullptr);

  type("emailEdit", "user@example.com");
  type("passwordEdit", "secret123");
  QSignalSpy accepted(&dialog(), &QDialog::finished);
  clickSignIn();
  ASSERT_TRUE(waitUntil([&] { return !accepted.isEmpty(); }, 60000));
  EXPECT_EQ(accepted.first().first().toInt(), 1);
  ASSERT_TRUE(dialog().getTokenInfo());

  // What the program entry does next.
  mainwindow->tokenInfo = dialog().getTokenInfo();
  mainwindow->firstRefresh_done = 0;
  QSignalSpy tiles(mainwindow, &MainWindow::localPictureLoad_singnal);
  mainwindow->HTTP_refershToken();
  ASSERT_TRUE(waitUntil([&] { return !tiles.isEmpty(); }, 60000));
  EXPECT_EQ(mainwindow->firstRefresh_done, 1);
  ASSERT_TRUE(mainwindow->device);
  EXPECT_EQ(mainwindow->device->devlist->conDevices->size(), 2);
  EXPECT_EQ(mainwindow->device->devConfigList.size(), 2);
  ASSERT_TRUE(mainwindow->appConfig);
  EXPECT_TRUE(mainwindow->appConfig->uacUrl.startsWith(cloud.baseUrl()));
  EXPECT_TRUE(mainwindow->refreshToken_timer->isActive());

  // Signing out ends the session and the application's event loop with 1.
  QTimer::singleShot(0, mainwindow, [] { mainwindow->user_singout_Handler(); });
  QTimer bound;  // ends with the test
  bound.setSingleShot(true);
  QObject::connect(&bound, &QTimer::timeout, [] { QCoreApplication::exit(99); });
  bound.start(10000);
  EXPECT_EQ(QCoreApplication::exec(), 1);
  mainwindow->mainWindow_deleteAllDevice();  // the program entry's next step
  EXPECT_EQ(mainwindow->device, nullptr);
  EXPECT_FALSE(mainwindow->refreshToken_timer->isActive());
  EXPECT_FALSE(mainwindow->loginOtherPlace_timer->isActive());
  EXPECT_FALSE(mainwindow->snapshotRequestThread->isRunning());
}

// A camera list the cloud refuses, or sends in a shape that is no list:
// the main window says so under the list title (once, however often it is
// sent again), keeps asking as before for what failed, and the user menu
// signs out all the same: the sign-out reaches the cloud and the sign-in
// loop goes on (the event loop ends with 1, which brings the dialog back).
struct ListTroubleCase {
  const char* name;
  const char* fail;         // the cloud's --fail rule
  const char* notice;       // shown under the list title
  const char* failingPath;  // its requests
  int requestsAtLeast;      // sent (resends included) before the notice is checked
  bool listBuiltLater;      // a later resend brings the list
};

void PrintTo(const ListTroubleCase& c, std::ostream* os) { *os << c.name; }

class ListTrouble : public LoginWindowTest, public ::testing::WithParamInterface<ListTroubleCase> {};

TEST_P(ListTrouble, SaysSoAndSignOutStillWorks) {
  REQUIRE_PRIVATE_NETNS();
  const ListTroubleCase& c = GetParam();
  SimCloudProcess cloud;
  QString why;
  ASSERT_TRUE(cloud.start({"--fail", c.fail}, &why)) << why.toStdString();
  ASSERT_TRUE(cloud_config::installCaFile(cloud.caFile(), &why)) << why.toStdString();
  qputenv(cloud_config::kUrlVariable, cloud.entryUrl().toUtf8());
  delete mainwindow;
  mainwindow = new MainWindow(nullptr);
  auto* menu = new UserWindow;  // the main window lets it go
  mainwindow->userWindow = menu;
  const auto requestsTo = [&](const char* suffix) {
    int n = 0;
    QFile log(cloud.logFile());
    if (!log.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : log.readAll().split('\n')) {
      const QJsonObject e = QJsonDocument::fromJson(line).object();
      n += e["path"].toString().endsWith(QLatin1String(suffix)) ? 1 : 0;
    }
    return n;
  };

  type("emailEdit", "user@example.com");
  type("passwordEdit", "secret123");
  QSignalSpy accepted(&dialog(), &QDialog::finished);
  testsupport::LogCapture log;
  clickSignIn();
  ASSERT_TRUE(waitUntil([&] { return !accepted.isEmpty(); }, 20000));
  mainwindow->tokenInfo = dialog().getTokenInfo();
  mainwindow->firstRefresh_done = 0;
  mainwindow->show();
  QLabel* notice = mainwindow->listNoticeLabel;
  EXPECT_EQ(notice->text(), ListNotices::kLoading) << "said from the start";
  mainwindow->HTTP_refershToken();
  ASSERT_TRUE(waitUntil([&] { return notice->text() == c.notice; }, 20000))
      << notice->text().toStdString();
  EXPECT_TRUE(notice->isVisible());
  ASSERT_TRUE(waitUntil([&] { return requestsTo(c.failingPath) >= c.requestsAtLeast; }, 20000));
  EXPECT_EQ(log.count(QStringLiteral("list notice: \"%1\"").arg(c.notice)), 1)
      << log.lines().join("\n").toStdString();
  if (c.listBuiltLater) {
    ASSERT_TRUE(waitUntil([] { return mainwindow->load_deviceList_succeed; }, 20000));
    EXPECT_FALSE(notice->isVisible()) << "the list is there";
  } else {
    waitUntil([] { return false; }, 1500);
    EXPECT_EQ(requestsTo(c.failingPath), 1) << "a refusal is not sent again";
    EXPECT_FALSE(mainwindow->load_deviceList_succeed);
  }

  // The user menu's sign-out, as the user clicks it.
  QTimer::singleShot(0, menu, [menu] {
    menu->findChild<QPushButton*>(QStringLiteral("signoutButton"))->click();
  });
  QTimer bound;  // ends with the test
  bound.setSingleShot(true);
  QObject::connect(&bound, &QTimer::timeout, [] { QCoreApplication::exit(99); });
  bound.start(10000);
  EXPECT_EQ(QCoreApplication::exec(), 1) << "the sign-in loop shows the dialog again";
  EXPECT_TRUE(waitUntil([&] { return requestsTo("/v1/signout") == 1; }, 20000));
  EXPECT_FALSE(notice->isVisible());
  mainwindow->mainWindow_deleteAllDevice();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ListTrouble,
    ::testing::Values(
        ListTroubleCase{"RefusedDeviceList", "/uac/v2/device-list=error:1:1005",
                        ListNotices::kRefused, "/v2/device-list", 1, false},
        ListTroubleCase{"RefusedDeviceConfiguration", "/cloud/api/v1/dev-config=error:1:1005",
                        ListNotices::kRefused, "/api/v1/dev-config", 1, false},
        ListTroubleCase{"DeviceListNoJsonTwiceThenGood", "/uac/v2/device-list=nonjson:2",
                        ListNotices::kRetrying, "/v2/device-list", 3, true}),
    [](const ::testing::TestParamInfo<ListTroubleCase>& i) { return std::string(i.param.name); });

}  // namespace
