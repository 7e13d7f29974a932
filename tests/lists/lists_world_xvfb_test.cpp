// The lists in the simulated world (tools/world/world.py: the strict cloud,
// the rendezvous server, four simulated cameras and a door bell) with the
// real libraries, on a private X server at 3840 x 2160 (design units are
// pixels): the sign-in dialog signs in, the device configuration builds one
// tile per camera, a group of two made in the creation dialog plays in its
// 2x2 grid (each bound cell shows its own camera's picture, read back from
// the screen; the unbound cells stay empty), the dialogs are shown, and the
// user menu's sign-out ends it all. Screenshots are kept under
// artifacts/lists_world/.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

#include "../app/log_capture.h"
#include "Tessan.h"
#include "device/OneWindowDevice.h"
#include "device/QuadWindowDevice.h"
#include "http_command/cloud_client.h"
#include "http_command/cloud_config.h"
#include "http_command/request_context.h"
#include "mainwindow.h"
#include "netns_test.h"
#include "picture_checks.h"
#include "test_artifacts.h"
#include "view/AboutWindow.h"
#include "view/LoginWindow.h"
#include "view/QuadWindowCreateWindow.h"
#include "view/SetWindow.h"
#include "view/UserWindow.h"
#include "wait_until.h"
#include "world_process.h"
#include "xvfb_server.h"

namespace testsupport {
extern XvfbServer* xvfbServer;
}

namespace {

const char* const kHall = "CAM0003";       // SMPTE colour bars
const char* const kFrontDoor = "CAM0001";  // testsrc2

bool waitUntil(const std::function<bool()>& done, int ms) { return cameratest::waitUntil(done, ms); }

std::string artifact(const char* name) {
  return testsupport::artifactsDir("lists_world") + "/" + name;
}

QImage grab(QWidget& w) { return QGuiApplication::primaryScreen()->grabWindow(w.winId()).toImage(); }

// True when `image` holds more than one colour: something was drawn.
bool drawn(const QImage& image) {
  if (image.isNull()) return false;
  const QRgb first = image.pixel(0, 0);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixel(x, y) != first) return true;
  return false;
}

// Grabs a shown window once the window system shows what the widget
// painted (bounded), keeps the picture.
QImage keepShot(QWidget& w, const char* name) {
  EXPECT_TRUE(QTest::qWaitForWindowExposed(&w, 60000)) << name;
  QImage shot;
  EXPECT_TRUE(waitUntil([&] { return drawn(shot = grab(w)); }, 60000)) << name << " was not drawn";
  shot.save(QString::fromStdString(artifact(name)));
  return shot;
}

// Calls `act` with the first modal dialog of type T that comes up while
// `trigger` runs (bounded); true when it ran.
template <typename T>
bool withNextModal(const std::function<void()>& trigger, const std::function<void(T*)>& act) {
  bool ran = false;
  QTimer poll;
  const QDeadlineTimer deadline(20000);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* d = qobject_cast<T*>(QApplication::activeModalWidget());
    if (d && !ran) {
      ran = true;
      act(d);
    } else if (deadline.hasExpired()) {
      if (QWidget* stuck = QApplication::activeModalWidget()) stuck->close();
    }
  });
  poll.start(10);
  trigger();
  return ran;
}

class ListsWorld : public ::testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_PRIVATE_NETNS();
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    ASSERT_TRUE(data_.isValid());
    log_ = std::make_unique<testsupport::LogCapture>();
    qputenv("CAMVIEWER_DATA_DIR", data_.path().toUtf8());
    qputenv("CAMVIEWER_PROGRAM_DIR", QByteArray(CAMVIEWER_TEST_PROGRAM_DIR));
    request_context::set({QStringLiteral("en-US"), 60, QStringLiteral("host1")});
    std::string error;
    ASSERT_TRUE(world_.start({"--lifetime", "600"}, &error)) << error;
    const world::WorldEnv& env = world_.env();
    QString why;
    ASSERT_TRUE(cloud_config::installCaFile(QString::fromStdString(env.caFile), &why))
        << why.toStdString();
    qputenv(cloud_config::kUrlVariable, QByteArray::fromStdString(env.cloudUrl));
    window_ = new MainWindow(nullptr);
    mainwindow = window_;
    window_->userWindow = new UserWindow;
  }

  void TearDown() override {
    if (window_) {
      window_->mainWindow_deleteAllDevice();
      window_->cloud().abandonSignin();
    }
    delete loginwindow;  // it leaves the main window's cloud client alone
    loginwindow = nullptr;
    if (window_) {
      delete window_->userWindow;
      window_->userWindow = nullptr;
    }
    delete window_;
    window_ = nullptr;
    mainwindow = nullptr;
    APP_uninit();  // no thread of the link outlives the test
    log_.reset();
    qunsetenv("CAMVIEWER_DATA_DIR");
    qunsetenv("CAMVIEWER_PROGRAM_DIR");
    qunsetenv(cloud_config::kUrlVariable);
  }

  // One pass of the program's sign-in loop up to the built list.
  void signIn() {
    const world::WorldEnv& env = world_.env();
    window_->readCountryCode_fromJsonFile();
    loginwindow = new LoginWindow;
    window_->challenge = loginwindow->getChallenge();
    LoginWindow* dialog = loginwindow;
    const bool typed = withNextModal<LoginWindow>(
        [&] {
          // Bounded: a sign-in that never ends is rejected (and any message
          // box it raised closed).
          QTimer::singleShot(60000, dialog, [dialog] {
            if (QWidget* box = QApplication::activeModalWidget()) {
              if (box != dialog) box->close();
            }
            dialog->reject();
          });
          ASSERT_EQ(dialog->exec(), QDialog::Accepted);
        },
        [&](LoginWindow* d) {
          d->findChild<QLineEdit*>("emailEdit")->setText(QString::fromStdString(env.account));
          d->findChild<QLineEdit*>("passwordEdit")->setText(QString::fromStdString(env.password));
          keepShot(*d, "sign_in_dialog.png");
          d->findChild<QPushButton*>("loginButton")->click();
        });
    ASSERT_TRUE(typed);
    window_->tokenInfo = loginwindow->getTokenInfo();
    window_->countryCode_list_clear();
    window_->firstRefresh_done = 0;
    ASSERT_NE(window_->tokenInfo, nullptr);
    window_->HTTP_refershToken();
    window_->show();
    window_->login_running = false;
    ASSERT_TRUE(waitUntil([&] { return window_->load_deviceList_succeed; }, 60000))
        << "no camera list";
  }

  oneWindowDevice* camera(const char* id) {
    return find_oneWindowDevice(window_->oneWindowDevice_list, QLatin1String(id));
  }

  QTemporaryDir data_;
  WorldProcess world_;
  MainWindow* window_ = nullptr;
  std::unique_ptr<testsupport::LogCapture> log_;  // goes after every thread that logs
};

TEST_F(ListsWorld, AGroupOfTwoPlaysInItsGridAndEveryDialogShows) {
  ASSERT_NO_FATAL_FAILURE(signIn());
  const world::WorldEnv& env = world_.env();

  // One tile per camera, in the cloud's order; the door bell gets none.
  ASSERT_EQ(window_->oneWindowDevice_list.size(), int(env.cameras.size()));
  for (size_t i = 0; i < env.cameras.size(); ++i) {
    EXPECT_EQ(window_->oneWindowDevice_list[int(i)]->deviceId.toStdString(), env.cameras[i].id);
    EXPECT_EQ(window_->oneWindowDevice_list[int(i)]->deviceName.toStdString(), env.cameras[i].alias);
  }
  EXPECT_EQ(window_->listTitleLabel->text(), QStringLiteral("%1 devices").arg(env.cameras.size()));
  EXPECT_EQ(log_->count("DOOR01 is not  DEVICE_TYPE_GENERAL_CAMREA "), 1);
  ASSERT_TRUE(waitUntil(
      [&] {
        for (const oneWindowDevice* c : window_->oneWindowDevice_list)
          if (c->get_p2pState() != E_CONN_STATUS_ONLINE) return false;
        return true;
      },
      90000))
      << "not every camera came online";
  // The tiles show the cloud's thumbnails.
  const QString pictures = window_->userName_private_dir + "device_picture/";
  waitUntil(
      [&] {
        for (const world::WorldCamera& c : env.cameras)
          if (!QFileInfo::exists(pictures + QString::fromStdString(c.alias) + ".jpeg")) return false;
        return true;
      },
      20000);
  keepShot(*window_, "main_window_tiles.png");

  // The dialogs: user menu, About (from the menu), settings.
  EXPECT_TRUE(withNextModal<UserWindow>([&] { window_->userButton->click(); }, [&](UserWindow* menu) {
    keepShot(*menu, "user_menu.png");
    EXPECT_TRUE(withNextModal<AboutWindow>(
        [&] { menu->findChild<QPushButton*>("aboutButton")->click(); },
        [&](AboutWindow* about) {
          keepShot(*about, "about_dialog.png");
          about->close();
        }));
    menu->done(0);
  }));
  EXPECT_TRUE(withNextModal<SetWindow>([&] { window_->setingButton->click(); }, [&](SetWindow* s) {
    keepShot(*s, "settings_dialog.png");
    s->close();
  }));

  // A group "pair" of Hall, then Front door, made in the creation dialog.
  EXPECT_TRUE(withNextModal<QuadWindowCreateWindow>(
      [&] { window_->createGroupButton->click(); },
      [&](QuadWindowCreateWindow* d) {
        QTest::keyClicks(&d->nameEdit, "pair");
        for (const char* id : {kHall, kFrontDoor}) {
          MyLabel* picture = d->findChild<MyLabel*>(QLatin1String(id));
          ASSERT_NE(picture, nullptr) << id;
          QTest::mouseClick(picture, Qt::LeftButton);
        }
        keepShot(*d, "group_creation_dialog.png");
        QTest::mouseClick(&d->createButton, Qt::LeftButton);
      }));
  QuadWindowDevice* pair = find_quadWindowDevice(window_->quadWindowDevice_List, "pair");
  ASSERT_NE(pair, nullptr);
  window_->screenButton_4->click();
  keepShot(*window_, "main_window_groups.png");

  // The group plays: Hall in cell 0, Front door in cell 1, video only.
  QTest::mouseClick(&pair->groupPictureLabel, Qt::LeftButton);
  ASSERT_EQ(pair->get_quadPlaying(), 1);
  MainWindow_QuadWindow_playWindow& grid = pair->playGrid();
  ASSERT_TRUE(grid.isVisible());
  for (const char* id : {kHall, kFrontDoor}) {
    ASSERT_TRUE(waitUntil([&] { return camera(id)->counters.picturesPresented.load() >= 25; }, 60000))
        << id << " presented " << camera(id)->counters.picturesPresented.load();
    EXPECT_EQ(camera(id)->audioOutput, nullptr) << "a group plays no sound";
  }
  SDLRenderWnd& hall = grid.tiles[0].renderWnd;
  SDLRenderWnd& door = grid.tiles[1].renderWnd;
  const QStringList smpte = {"yellow", "cyan", "green", "magenta", "red", "blue"};
  QImage hallShot, doorShot;
  waitUntil(
      [&] {
        hallShot = grab(hall);
        doorShot = grab(door);
        return testsupport::barsAlongRow(hallShot, hall.targetRect(), 0.4) == smpte &&
               testsupport::areaColours(doorShot, door.targetRect()).classes >= 6;
      },
      60000);
  std::string error;
  if (testsupport::xvfbServer) testsupport::xvfbServer->screenshot(artifact("group_grid.png"), &error);
  keepShot(*window_, "main_window_grid.png");
  hallShot.save(QString::fromStdString(artifact("grid_cell0_hall.png")));
  doorShot.save(QString::fromStdString(artifact("grid_cell1_front_door.png")));

  // Cell 0 shows Hall's colour bars in their order; cell 1 a colourful
  // picture that is not Hall's; cells 2 and 3 stay as they were (flat).
  EXPECT_EQ(testsupport::barsAlongRow(hallShot, hall.targetRect(), 0.4), smpte);
  const testsupport::AreaColours doorColours = testsupport::areaColours(doorShot, door.targetRect());
  EXPECT_GE(doorColours.classes, 6);
  EXPECT_LT(doorColours.black, doorColours.samples / 4);
  EXPECT_NE(testsupport::barsAlongRow(doorShot, door.targetRect(), 0.4), smpte);
  EXPECT_GT(testsupport::meanDifference(hallShot, hall.targetRect(), doorShot, door.targetRect()), 30);
  for (int j : {2, 3}) {
    SDLRenderWnd& empty = grid.tiles[j].renderWnd;
    const QImage shot = grab(empty);
    shot.save(QString::fromStdString(artifact(j == 2 ? "grid_cell2.png" : "grid_cell3.png")));
    const testsupport::AreaColours c = testsupport::areaColours(shot, empty.targetRect());
    EXPECT_LE(c.classes, 2) << "cell " << j << " shows a picture";
  }
  EXPECT_EQ(camera("CAM0002")->counters.picturesPresented.load(), 0u) << "not a member";

  // The user menu's sign-out ends the event loop with 1; the program entry
  // then removes every camera and group (each camera waits for its workers).
  QTimer::singleShot(0, window_, [&] {
    withNextModal<UserWindow>([&] { window_->userButton->click(); },
                              [](UserWindow* menu) {
                                menu->findChild<QPushButton*>("signoutButton")->click();
                              });
  });
  QTimer bound;
  bound.setSingleShot(true);
  QObject::connect(&bound, &QTimer::timeout, [] { QCoreApplication::exit(99); });
  bound.start(30000);
  EXPECT_EQ(QApplication::exec(), 1);
  bound.stop();
  EXPECT_EQ(window_->device, nullptr);
  for (const oneWindowDevice* c : window_->oneWindowDevice_list) EXPECT_FALSE(c->get_isPlaying());
  window_->mainWindow_deleteAllDevice();
  EXPECT_TRUE(window_->oneWindowDevice_list.isEmpty());
  EXPECT_EQ(oneWindowDevice::registry().size(), 0u);
}

}  // namespace
