// The four dialogs on a private X server at 3840 x 2160 (design units are
// pixels there): their sizes, their colours where the layout puts them, a
// real click on an About link, and screenshots kept as artifacts.
#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QTest>

#include <functional>

#include "adapter_hardWare/AdapterHardware.h"
#include "dialogs_fixture.h"
#include "modal_driver.h"
#include "test_artifacts.h"
#include "view/AboutWindow.h"
#include "view/QuadWindowCreateWindow.h"
#include "view/SetWindow.h"
#include "view/UserWindow.h"

namespace {

const QColor kGreen(0x68, 0xBF, 0x39);
const QColor kWhite(255, 255, 255);
const QColor kButtonGrey(230, 230, 230);

class DialogsOnX : public dialogtest::SignedInWindow {
 protected:
  void SetUp() override {
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    adapterHardware.set_screen();
    ASSERT_EQ(adapterHardware.widthScale, 1.0);
    ASSERT_EQ(adapterHardware.heightScale, 1.0);
    SignedInWindow::SetUp();
  }

  // Shows `w`, grabs it until `drawn` accepts the picture (bounded) and
  // keeps the picture as `file`.
  static QImage shoot(QWidget& w, const std::function<bool(const QImage&)>& drawn,
                      const char* file) {
    w.move(100, 100);
    w.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&w, 60000));
    QImage shot;
    dialogtest::waitUntil([&] {
      shot = QGuiApplication::primaryScreen()->grabWindow(w.winId()).toImage();
      return drawn(shot);
    });
    shot.save(QString::fromStdString(testsupport::artifactsDir("dialogs_xvfb_test") + "/" + file));
    return shot;
  }
  static QImage shoot(QWidget& w, QPoint probe, QColor expected, const char* file) {
    return shoot(w, [=](const QImage& shot) { return shot.pixelColor(probe) == expected; }, file);
  }

  // Pixels in `area` of `shot` that `match` accepts.
  static int count(const QImage& shot, QRect area, bool (*match)(QColor)) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
      for (int x = area.left(); x <= area.right(); ++x) n += match(shot.pixelColor(x, y)) ? 1 : 0;
    }
    return n;
  }
  static bool dark(QColor c) { return c.lightness() < 100; }
  static bool blue(QColor c) { return c.blue() > 150 && c.red() < 100 && c.green() < 100; }
  static bool green(QColor c) { return c.green() > 150 && c.red() < 150 && c.blue() < 120; }
};

TEST_F(DialogsOnX, Settings) {
  window_->rootSavePath = QStringLiteral("/media/camviewer/Downloads");
  SetWindow dialog;
  const QPoint change(665 + 20, 96 + 6);  // inside the grey "Change" button, above its text
  const QImage shot = shoot(dialog, change, kButtonGrey, "settings.png");
  EXPECT_EQ(shot.size(), QSize(864, 720));
  EXPECT_EQ(shot.pixelColor(change), kButtonGrey);
  EXPECT_EQ(shot.pixelColor(665 + 20, 232 + 6), kButtonGrey);
  EXPECT_EQ(shot.pixelColor(665 + 20, 406 + 6), kButtonGrey);
  EXPECT_EQ(shot.pixelColor(400, 40), kWhite);
  EXPECT_GT(count(shot, QRect(0, 0, 600, 80), dark), 50) << "the header text";
  EXPECT_GT(count(shot, QRect(0, 80, 600, 80), dark), 50) << "the folder";
  EXPECT_GT(count(shot, QRect(665, 96, 167, 48), green), 20) << "the green button text";
}

// A download folder longer than the dialog is wide: its text stops before
// the "Change" button (cut in its middle), nothing of it runs under the
// button or past it to the dialog's edge.
TEST_F(DialogsOnX, LongFolderEndsBeforeTheChangeButton) {
  QString folder = QStringLiteral("/media/camviewer");
  while (folder.size() < 160) folder += QStringLiteral("/a rather long folder name");
  folder += QStringLiteral("/Downloads");
  window_->rootSavePath = folder;
  SetWindow dialog;
  const QPoint change(665 + 20, 96 + 6);
  const QImage shot = shoot(dialog, change, kButtonGrey, "settings_long_folder.png");
  EXPECT_GT(count(shot, QRect(0, 80, 640, 80), dark), 50) << "the folder's text";
  EXPECT_EQ(count(shot, QRect(665 - 12, 80, 12, 80), dark), 0) << "text touches the button";
  EXPECT_EQ(count(shot, QRect(665 + 167, 80, 864 - 665 - 167, 80), dark), 0)
      << "text runs past the button";
  EXPECT_EQ(dialog.folderLabel.toolTip(), " " + folder);
  EXPECT_TRUE(dialog.folderLabel.text().endsWith("/Downloads")) << "cut in the middle";
  EXPECT_EQ(dialog.folderLabel.geometry(), QRect(0, 80, 864, 80)) << "the label stays put";
}

TEST_F(DialogsOnX, UserMenu) {
  menu_->set_userNameButtonText(QStringLiteral("alice@example.com"));
  const QRect lastRow(0, 160, 416, 80);
  const QImage shot = shoot(
      *menu_, [&](const QImage& s) { return count(s, lastRow, dark) > 30; }, "user_menu.png");
  EXPECT_EQ(shot.size(), QSize(416, 240));
  // Three rows, each with its icon and text.
  for (int row = 0; row < 3; ++row) {
    EXPECT_GT(count(shot, QRect(0, row * 80, 416, 80), dark), 30) << "row " << row;
  }
}

TEST_F(DialogsOnX, AboutWithLinks) {
  appConfig_.agreementUrl = QStringLiteral("https://example.com/terms?a=1&b=2");
  appConfig_.privacyUrl = QStringLiteral("https://example.com/privacy");
  AboutWindow about;
  const QImage background =
      QImage(window_->picturePath("ic_about_bg.png"))
          .scaled(1060, 480, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  ASSERT_FALSE(background.isNull());
  const QPoint corner(30, 30);
  const QImage shot = shoot(about, corner, background.pixelColor(corner), "about.png");
  EXPECT_EQ(shot.size(), QSize(1060, 480));
  EXPECT_EQ(shot.pixelColor(corner), background.pixelColor(corner));
  EXPECT_GT(count(shot, QRect(400, 248, 200, about.termsLabel.height()), blue), 20)
      << "the terms link";
  EXPECT_GT(count(shot, QRect(400, 312, 200, about.privacyLabel.height()), blue), 20)
      << "the privacy link";

  // A real click on the link text opens the configured address.
  QTest::mouseClick(&about.termsLabel, Qt::LeftButton, Qt::NoModifier,
                    QPoint(20, about.termsLabel.height() / 2));
  ASSERT_EQ(urls_.opened.size(), 1);
  EXPECT_EQ(urls_.opened[0].toString(), appConfig_.agreementUrl);
}

TEST_F(DialogsOnX, GroupCreation) {
  QList<GroupCamera> cameras;
  for (const char* id : {"A", "B", "C"}) {
    cameras.append({QLatin1String(id), QStringLiteral("Camera ") + QLatin1String(id)});
  }
  QuadWindowCreateWindow dialog(784, 180, cameras);
  const QPoint done(447 + 10, 467 + 5);  // inside the create button, above its text
  const QImage unnamed = shoot(dialog, done, QColor(0x95, 0xA5, 0xAD), "group_create_unnamed.png");
  EXPECT_EQ(unnamed.pixelColor(done), QColor(0x95, 0xA5, 0xAD)) << "grey without a name";
  QTest::mouseClick(dialog.findChild<MyLabel*>("C"), Qt::LeftButton);
  QTest::mouseClick(dialog.findChild<MyLabel*>("A"), Qt::LeftButton);
  QTest::keyClicks(&dialog.nameEdit, "Garden");
  const QImage shot = shoot(dialog, done, kGreen, "group_create.png");
  EXPECT_EQ(shot.size(), QSize(864, 555));
  EXPECT_EQ(shot.pixelColor(done), kGreen);
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Create group  2/4"));
  // The cells show the default picture at their places: A top left, C below.
  const QImage picture = QImage(window_->picturePath("ic_device_default.png"))
                             .scaled(392, 176, Qt::IgnoreAspectRatio, Qt::FastTransformation);
  for (const char* id : {"A", "B", "C"}) {
    const QWidget* label = dialog.findChild<MyLabel*>(id);
    const QPoint inDialog = label->mapTo(&dialog, QPoint(196, 60));
    EXPECT_EQ(shot.pixelColor(inDialog), picture.pixelColor(196, 60)) << id;
  }
  EXPECT_LT(dialog.findChild<MyLabel*>("A")->mapTo(&dialog, QPoint()).x(), 432);
  EXPECT_GE(dialog.findChild<MyLabel*>("B")->mapTo(&dialog, QPoint()).x(), 432);
  // A's order number (2) in green beside its name; the inputs cover the
  // bottom row's names (C's among them) until the cells are scrolled.
  const QPoint order = dialog.findChild<MyLabel*>("A")->mapTo(&dialog, QPoint(350, 176));
  EXPECT_GT(count(shot, QRect(order, QSize(42, 56)), green), 5);
}

}  // namespace
