// The main window on a private X server of 3840 x 2160 (design units are
// pixels there): its size, its three columns, the page buttons before and
// after the camera list exists, a camera tile's picture read back from the
// screen, and screenshots to look at.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QGroupBox>
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <cstdlib>
#include <functional>

#include "adapter_hardWare/AdapterHardware.h"
#include "device/OneWindowDevice.h"
#include "log_capture.h"
#include "mainwindow.h"
#include "view/CToast.h"
#include "test_artifacts.h"
#include "xvfb_server.h"

namespace {

using testsupport::LogCapture;

class MainWindowOnX : public ::testing::Test {
 protected:
  // Pictures come from the program folder of the build tree.
  virtual QByteArray programFolder() { return CAMVIEWER_TEST_PROGRAM_DIR; }

  void SetUp() override {
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    ASSERT_TRUE(data_.isValid());
    qputenv("CAMVIEWER_DATA_DIR", data_.path().toUtf8());
    qputenv("CAMVIEWER_PROGRAM_DIR", programFolder());
    adapterHardware.set_screen();
    ASSERT_EQ(adapterHardware.widthScale, 1.0);
    ASSERT_EQ(adapterHardware.heightScale, 1.0);
    window_ = new MainWindow(nullptr);
    mainwindow = window_;
    window_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_, 60000));
  }
  void TearDown() override {
    delete window_;
    mainwindow = nullptr;
    qunsetenv("CAMVIEWER_DATA_DIR");
    qunsetenv("CAMVIEWER_PROGRAM_DIR");
  }

  // What the page buttons and captions look like, and which list is up.
  struct Look {
    QString cameraButtonStyle, cameraLabelStyle, quadButtonStyle, quadLabelStyle;
    QImage cameraIcon, quadIcon, column;
    bool titleHidden, deviceListHidden, quadListHidden;
    bool operator==(const Look& o) const {
      return cameraButtonStyle == o.cameraButtonStyle && cameraLabelStyle == o.cameraLabelStyle &&
             quadButtonStyle == o.quadButtonStyle && quadLabelStyle == o.quadLabelStyle &&
             cameraIcon == o.cameraIcon && quadIcon == o.quadIcon && column == o.column;
    }
  };
  Look look() {
    QApplication::processEvents();
    MainWindow& w = *window_;
    return {w.cameraButton->styleSheet(),
            w.cameraLabel->styleSheet(),
            w.screenButton_4->styleSheet(),
            w.quadLabel->styleSheet(),
            w.cameraButton->icon().pixmap(48, 48).toImage(),
            w.screenButton_4->icon().pixmap(48, 48).toImage(),
            w.controlGroup->grab().toImage(),
            w.listTitleLabel->isHidden(),
            w.deviceListScroll->isHidden() || w.deviceListWidget->isHidden(),
            w.quadListScroll->isHidden() || w.quadListWidget->isHidden()};
  }

  QTemporaryDir data_;
  MainWindow* window_ = nullptr;
};

TEST_F(MainWindowOnX, OpensAtItsDesignSizeWithThreeColumns) {
  MainWindow& w = *window_;
  EXPECT_EQ(w.size(), QSize(1920, 1080));
  EXPECT_EQ(w.minimumSize(), QSize(1920, 1080));
  EXPECT_EQ(w.windowTitle(), QStringLiteral("Orvanta Cloud"));
  EXPECT_EQ(w.controlGroup->width(), 144);
  EXPECT_EQ(w.listColumn->width(), 440);
  const QRect nav = w.controlGroup->geometry();
  const QRect list = w.listColumn->geometry();
  const QRect play = w.playArea->geometry();
  EXPECT_EQ(nav.left(), 0);
  EXPECT_EQ(nav.top(), 0);
  EXPECT_GT(list.left(), nav.right());
  EXPECT_GT(play.left(), list.right());
  EXPECT_EQ(play.right(), w.centralWidget()->width() - 1);  // the play area takes the rest
  EXPECT_EQ(list.top(), nav.top());
  EXPECT_EQ(play.top(), nav.top());
  EXPECT_EQ(nav.height(), w.centralWidget()->height());
  EXPECT_EQ(w.centralWidget(), w.centralBox);

  // Navigation column from top to bottom: user, camera, its caption, group
  // page, its caption, then (at the bottom) settings and its caption.
  const QWidget* order[] = {w.userButton, w.cameraButton, w.cameraLabel, w.screenButton_4,
                            w.quadLabel, w.setingButton, w.setingLabel};
  for (size_t i = 1; i < sizeof order / sizeof *order; ++i) {
    EXPECT_GT(order[i]->geometry().top(), order[i - 1]->geometry().top()) << i;
  }
  EXPECT_EQ(w.userButton->size(), QSize(72, 72));
  EXPECT_EQ(w.cameraButton->size(), QSize(48, 48));
  EXPECT_GT(w.setingLabel->geometry().bottom(), nav.height() * 3 / 4);

  // The window is white where nothing is drawn (inside the navigation column).
  const QImage shot = QGuiApplication::primaryScreen()->grabWindow(w.winId()).toImage();
  ASSERT_EQ(shot.size(), QSize(1920, 1080));
  const QPoint blank(nav.center().x(),
                     (w.quadLabel->geometry().bottom() + w.setingButton->geometry().top()) / 2);
  EXPECT_EQ(shot.pixelColor(blank), QColor(Qt::white));
  EXPECT_EQ(shot.pixelColor(list.center()), QColor(Qt::white));
  // ... and shows what is drawn (a blank window would pass the points
  // above): the camera page's icon and caption in green, the user and
  // settings icons in grey, the play area's frame.
  const auto count = [&](QRect area, const std::function<bool(QColor)>& match) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
      for (int x = area.left(); x <= area.right(); ++x) n += match(shot.pixelColor(x, y));
    return n;
  };
  const auto green = [](QColor c) { return c.green() > c.red() + 40 && c.green() > c.blue() + 40; };
  const auto grey = [](QColor c) {
    return c.lightness() < 200 && std::abs(c.red() - c.blue()) < 40 && std::abs(c.red() - c.green()) < 40;
  };
  const auto inWindow = [&](const QWidget* widget) {
    return QRect(widget->mapTo(&w, QPoint(0, 0)), widget->size());
  };
  EXPECT_GT(count(inWindow(w.cameraButton), green), 300) << "no camera icon";
  EXPECT_GT(count(inWindow(w.cameraLabel), green), 20) << "no \"Camera\" caption";
  EXPECT_GT(count(inWindow(w.userButton), grey), 300) << "no user icon";
  EXPECT_GT(count(inWindow(w.setingButton), grey), 200) << "no settings icon";
  EXPECT_GT(count(inWindow(w.quadLabel), grey), 20) << "no \"Quad screen\" caption";
  // The play area: a framed field of its own grey, not the window's white.
  const QRect field = inWindow(w.playArea);
  EXPECT_GT(count(QRect(field.left(), field.center().y(), field.width(), 1),
                  [](QColor c) { return c != QColor(Qt::white); }),
            field.width() / 2)
      << "no play area drawn";

  const std::string png = testsupport::artifactsDir("app_mainwindow_xvfb_test") + "/main_window.png";
  std::string error;
  ASSERT_TRUE(testsupport::xvfbServer->screenshot(png, &error, w.winId())) << error;
}

// Before the camera list exists the page buttons only write a log line.
TEST_F(MainWindowOnX, PageButtonsBeforeSignInOnlyLog) {
  MainWindow& w = *window_;
  const Look before = look();
  LogCapture log;
  QTest::mouseClick(w.screenButton_4, Qt::LeftButton);
  QTest::mouseClick(w.cameraButton, Qt::LeftButton);
  EXPECT_EQ(log.lines(), (QStringList{"quadButton_Handler not response",
                                      "cameraButton_Handler not response"}));
  const Look after = look();
  EXPECT_TRUE(after == before);
  EXPECT_EQ(after.titleHidden, before.titleHidden);
  EXPECT_EQ(after.deviceListHidden, before.deviceListHidden);
  EXPECT_EQ(after.quadListHidden, before.quadListHidden);
}

// A thumbnail with a caption band along its top and another along its
// bottom fills the tile's 392 x 176 picture whole: both bands are on the
// screen (scaled to the tile's full height, the label cut them off).
TEST_F(MainWindowOnX, TilePictureShowsTheWholeThumbnail) {
  MainWindow& w = *window_;
  w.userName_private_dir = data_.path() + "/user_private_dir/u_private_dir/";
  auto* camera = new oneWindowDevice(QStringLiteral("CAM1"), QStringLiteral("Door"), 1);
  w.oneWindowDevice_list.append(camera);
  QString file;
  camera->split_save_realtimeImage_specifiedPath(file);
  QImage thumbnail(320, 180, QImage::Format_RGB32);
  thumbnail.fill(QColor(128, 128, 128));
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 320; ++x) {
      thumbnail.setPixelColor(x, y, QColor(220, 20, 20));        // the top caption
      thumbnail.setPixelColor(x, 179 - y, QColor(20, 20, 220));  // the bottom one
    }
  }
  ASSERT_TRUE(thumbnail.save(file, "JPG", 95));
  camera->update_device_picture();
  camera->move(100, 100);
  camera->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(camera, 10000));

  const auto red = [](QColor c) { return c.red() > 170 && c.green() < 80 && c.blue() < 80; };
  const auto blue = [](QColor c) { return c.blue() > 170 && c.red() < 80 && c.green() < 80; };
  const QRect picture = camera->pictureLabel.geometry();
  EXPECT_EQ(picture, QRect(0, 0, 392, 176));
  QImage shot;
  const QDeadlineTimer deadline(10000);
  do {
    QApplication::processEvents();
    shot = QGuiApplication::primaryScreen()->grabWindow(camera->winId()).toImage();
  } while (!red(shot.pixelColor(196, 1)) && !deadline.hasExpired());
  shot.save(QString::fromStdString(testsupport::artifactsDir("app_mainwindow_xvfb_test") +
                                   "/tile_picture.png"));
  for (int x : {4, 196, 388}) {
    EXPECT_TRUE(red(shot.pixelColor(x, picture.top())))
        << "top caption row at " << x << ": " << shot.pixelColor(x, 0).name().toStdString();
    EXPECT_TRUE(blue(shot.pixelColor(x, picture.bottom())))
        << "bottom caption row at " << x << ": "
        << shot.pixelColor(x, picture.bottom()).name().toStdString();
  }
  EXPECT_EQ(shot.pixelColor(196, 88).red() / 16, 128 / 16) << "the middle of the thumbnail";

  w.oneWindowDevice_list.removeAll(camera);
  delete camera;
}

// A tile clicked while its camera is not online: the play area shows the
// camera's play view, black video with the camera's badge in its middle,
// never the empty white area.
TEST_F(MainWindowOnX, ACameraNotOnlineYetShowsItsBadgeInThePlayArea) {
  MainWindow& w = *window_;
  w.userName_private_dir = data_.path() + "/user_private_dir/u_private_dir/";
  auto* camera = new oneWindowDevice(QStringLiteral("CAM1"), QStringLiteral("Door"), 1);
  w.oneWindowDevice_list.append(camera);
  w.oneWindowPlay_video_Handler(QString(), QStringLiteral("CAM1"));
  ASSERT_TRUE(camera->playWaiting());
  WholeRenderWindow& view = camera->ownPlayView();
  const QRect video(view.renderWnd.mapTo(&w, QPoint(0, 0)), view.renderWnd.size());
  const QPoint badge = video.center();
  const QPoint beside(video.left() + video.width() / 8, video.center().y());
  const QColor grey(0x95, 0xA5, 0xAD);
  QImage shot;
  const QDeadlineTimer deadline(10000);
  do {
    QApplication::processEvents();
    shot = QGuiApplication::primaryScreen()->grabWindow(w.winId()).toImage();
  } while ((shot.pixelColor(badge) != grey || shot.pixelColor(beside) != QColor(Qt::black)) &&
           !deadline.hasExpired());
  shot.save(QString::fromStdString(testsupport::artifactsDir("app_mainwindow_xvfb_test") +
                                   "/waiting_for_online.png"));
  EXPECT_GT(video.width(), 400) << "the view fills the play area";
  EXPECT_EQ(shot.pixelColor(badge), grey) << "the badge over the video";
  EXPECT_EQ(shot.pixelColor(beside), QColor(Qt::black)) << "the video, black";

  w.oneWindowPlay_video_Handler(QString(), QStringLiteral("CAM1"));  // stops the wait
  EXPECT_FALSE(camera->playWaiting());
  w.oneWindowDevice_list.removeAll(camera);
  delete camera;
}

// A failure notice of a camera's play view shows over the main window the
// view is in, at half its width and 80 % of its height, wherever the window
// is on a screen larger than it: white words on black, read back from the
// screen.
TEST_F(MainWindowOnX, ARecordFailureIsToldOverTheMainWindow) {
  MainWindow& w = *window_;
  w.move(900, 600);
  ASSERT_TRUE(QTest::qWaitFor([&] { return w.frameGeometry().topLeft() == QPoint(900, 600); }, 60000));
  w.userName_private_dir = data_.path() + "/user_private_dir/u_private_dir/";
  auto* camera = new oneWindowDevice(QStringLiteral("CAM1"), QStringLiteral("Door"), 1);
  w.oneWindowDevice_list.append(camera);
  w.oneWindowPlay_video_Handler(QString(), QStringLiteral("CAM1"));
  WholeRenderWindow& view = camera->ownPlayView();
  ASSERT_EQ(view.window(), &w);
  view.recordButton.click();  // no stream: nothing to record
  CToast* toast = nullptr;
  ASSERT_TRUE(QTest::qWaitFor(
      [&] {
        for (QWidget* top : QApplication::topLevelWidgets()) {
          if (auto* t = qobject_cast<CToast*>(top); t && t->isVisible()) toast = t;
        }
        return toast != nullptr;
      },
      60000));
  const QLabel* text = toast->findChild<QLabel*>();
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->text(), QStringLiteral("Record failed!"));
  const QRect frame = w.frameGeometry();
  const QRect area = toast->frameGeometry();
  EXPECT_LE(std::abs(area.center().x() - (frame.x() + frame.width() / 2)), 1);
  EXPECT_LE(std::abs(area.center().y() - (frame.y() + frame.height() * 8 / 10)), 1);
  EXPECT_TRUE(frame.contains(area));

  // On screen (after the fade-in): black with white words.
  QImage shot;
  int white = 0;
  const QDeadlineTimer deadline(60000);
  do {
    QTest::qWait(200);
    shot = QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(), area.height()).toImage();
    white = 0;
    for (int y = 0; y < shot.height(); ++y)
      for (int x = 0; x < shot.width(); ++x) white += shot.pixelColor(x, y).lightness() > 200;
  } while (white < 20 && !deadline.hasExpired());
  const QString dir = QString::fromStdString(testsupport::artifactsDir("app_mainwindow_xvfb_test"));
  shot.save(dir + "/record_failed_toast.png");
  QGuiApplication::primaryScreen()
      ->grabWindow(0, frame.x() - 100, frame.y() - 100, frame.width() + 200, frame.height() + 200)
      .toImage()
      .scaled(1060, 640, Qt::KeepAspectRatio, Qt::SmoothTransformation)
      .save(dir + "/record_failed_over_the_window.png");
  EXPECT_GE(white, 20) << "no words on the toast";
  EXPECT_EQ(shot.pixelColor(2, 2), QColor(Qt::black));
  EXPECT_EQ(shot.pixelColor(shot.width() - 3, shot.height() / 2), QColor(Qt::black));

  w.oneWindowPlay_video_Handler(QString(), QStringLiteral("CAM1"));  // stops the wait
  w.oneWindowDevice_list.removeAll(camera);
  delete camera;
}

// The page icons drawn as flat colours of their own, so a swapped icon
// shows in the pixels whatever pictures the build tree has.
class MainWindowWithTestPictures : public MainWindowOnX {
 protected:
  QByteArray programFolder() override {
    const QString folder = pictures_.path() + "/Orvanta_image/";
    QDir().mkpath(folder);
    const struct {
      const char* name;
      QColor colour;
    } icons[] = {{"ic_device_color.png", kGreen}, {"ic_device_mid.png", kGrey},
                 {"ic_quad_screen_color.png", kGreen}, {"ic_quad_screen_mid.png", kGrey},
                 {"ic_user.png", Qt::blue}, {"ic_system setting.png", Qt::blue}};
    for (const auto& icon : icons) {
      QImage image(48, 48, QImage::Format_RGB32);
      image.fill(icon.colour);
      image.save(folder + QLatin1String(icon.name));
    }
    return pictures_.path().toUtf8();
  }
  // The colour in the middle of a page button, as drawn in the column.
  QColor buttonColour(const Look& look, const QPushButton* button) const {
    return look.column.pixelColor(button->geometry().center());
  }

  const QColor kGreen{0x68, 0xBF, 0x39};
  const QColor kGrey{0x95, 0xA5, 0xAD};
  QTemporaryDir pictures_;
};

// With the camera list built, the group page turns its button and caption
// green and shows the group list; the camera page restores exactly the
// look right after construction.
TEST_F(MainWindowWithTestPictures, GroupPageAndBackRestoresTheCameraPage) {
  MainWindow& w = *window_;
  const Look constructed = look();
  EXPECT_EQ(constructed.cameraLabelStyle, QStringLiteral("color:#68BF39;"));
  EXPECT_EQ(constructed.quadLabelStyle, QStringLiteral("color:#95A5AD;"));
  EXPECT_EQ(buttonColour(constructed, w.cameraButton), kGreen);
  EXPECT_EQ(buttonColour(constructed, w.screenButton_4), kGrey);
  EXPECT_EQ(buttonColour(constructed, w.userButton), QColor(Qt::blue));
  w.load_deviceList_succeed = true;

  QTest::mouseClick(w.screenButton_4, Qt::LeftButton);
  const Look group = look();
  EXPECT_EQ(group.quadLabelStyle, QStringLiteral("color:#68BF39;"));
  EXPECT_EQ(group.quadButtonStyle, QStringLiteral("color:#68BF39;"));
  EXPECT_EQ(group.cameraLabelStyle, QStringLiteral("color:#95A5AD;"));
  EXPECT_EQ(group.cameraButtonStyle, QStringLiteral("color:#95A5AD;"));
  EXPECT_EQ(buttonColour(group, w.cameraButton), kGrey);
  EXPECT_EQ(buttonColour(group, w.screenButton_4), kGreen);
  EXPECT_TRUE(group.titleHidden);
  EXPECT_TRUE(group.deviceListHidden);
  EXPECT_FALSE(group.quadListHidden);
  const std::string dir = testsupport::artifactsDir("app_mainwindow_xvfb_test");
  group.column.save(QString::fromStdString(dir + "/navigation_group_page.png"));

  QTest::mouseClick(w.cameraButton, Qt::LeftButton);
  const Look camera = look();
  EXPECT_TRUE(camera == constructed);
  EXPECT_EQ(buttonColour(camera, w.cameraButton), kGreen);
  EXPECT_FALSE(camera.titleHidden);
  EXPECT_FALSE(camera.deviceListHidden);
  EXPECT_TRUE(camera.quadListHidden);
  constructed.column.save(QString::fromStdString(dir + "/navigation_constructed.png"));
  camera.column.save(QString::fromStdString(dir + "/navigation_camera_page.png"));
}

}  // namespace
