// The sign-in dialog and the country picker on a private X server at
// 3840 x 2160 (design units are pixels): their size and their colours where
// the layout puts them, with screenshots kept as artifacts.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include "login_fixture.h"
#include "mainwindow.h"
#include "test_artifacts.h"
#include "view/CountryCodeWindow.h"
#include "view/LoginWindow.h"

namespace {

// Grabs `w` until the pixel at `probe` has `expected` (bounded), keeps it.
QImage grabWhenDrawn(QWidget& w, QPoint probe, QColor expected, const char* file) {
  QImage shot;
  QElapsedTimer t;
  t.start();
  do {
    QApplication::processEvents();
    shot = QGuiApplication::primaryScreen()->grabWindow(w.winId()).toImage();
  } while (shot.pixelColor(probe) != expected && t.elapsed() < 5000);
  shot.save(QString::fromStdString(testsupport::artifactsDir("login_xvfb_test") + "/" + file));
  return shot;
}

using LoginXvfb = MainWindowFixture;

const QColor kGreen(0x68, 0xBF, 0x39);
const QColor kWhite(255, 255, 255);

TEST_F(LoginXvfb, SignInDialogInBothModes) {
  ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
  LoginWindow dialog;
  dialog.move(100, 100);
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog, 60000));
  const QPoint signIn(64 + 256, 655 + 10);  // inside the green button, above its text
  QImage shot = grabWhenDrawn(dialog, signIn, kGreen, "sign_in_email.png");
  EXPECT_EQ(shot.size(), QSize(640, 880));
  EXPECT_EQ(shot.pixelColor(signIn), kGreen);
  EXPECT_EQ(shot.pixelColor(20, 20), kWhite);
  EXPECT_LT(shot.pixelColor(65, 375 + 44).lightness(), 60) << "the e-mail field's black frame";

  dialog.findChild<QPushButton*>("phoneLoginWayButton")->click();
  dialog.setCountry(86);
  dialog.findChild<QLineEdit*>("phoneEdit")->setText("13800138000");
  dialog.findChild<QLineEdit*>("passwordEdit")->setText("secret");
  shot = grabWhenDrawn(dialog, signIn, kGreen, "sign_in_phone.png");
  EXPECT_EQ(shot.pixelColor(signIn), kGreen);
  // The phone input's frame runs the whole width (left and right edges).
  EXPECT_LT(shot.pixelColor(65, 375 + 44).lightness(), 60);
  EXPECT_LT(shot.pixelColor(64 + 512 - 2, 375 + 44).lightness(), 60);
  // The country button (green text) is shown in phone mode: some green in its box.
  bool green = false;
  for (int x = 399; x < 399 + 175 && !green; ++x) {
    for (int y = 45; y < 45 + 32 && !green; ++y) {
      const QColor c = shot.pixelColor(x, y);
      green = c.green() > 150 && c.red() < 150 && c.blue() < 120;
    }
  }
  EXPECT_TRUE(green) << "no green country text";
}

// Pixels in `area` of `shot` that are ink: clearly darker than the white
// dialog or clearly green.
int inkIn(const QImage& shot, const QRect& area) {
  int n = 0;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) {
      const QColor c = shot.pixelColor(x, y);
      n += c.lightness() < 200 ? 1 : 0;
    }
  }
  return n;
}

// The texts of the mode buttons and of the country button under this
// platform's fonts: all their ink inside the button, none on its first and
// last columns (a text wider than its button is cut at both ends there),
// and the buttons where the layout put them.
TEST_F(LoginXvfb, ButtonTextsFitTheirButtons) {
  LoginWindow dialog;
  dialog.findChild<QPushButton*>("phoneLoginWayButton")->click();
  dialog.setCountry(44, QStringLiteral("United Kingdom of Great Britain and Northern Ireland"));
  dialog.move(100, 100);
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog, 5000));
  const QPoint signIn(64 + 256, 655 + 10);
  const QImage shot = grabWhenDrawn(dialog, signIn, kGreen, "button_texts.png");
  const struct {
    const char* name;
    QRect rect;
  } buttons[] = {
      {"phoneLoginWayButton", QRect(407, 282, 169, 32)},
      {"emailLoginWayButton", QRect(64, 282, 64, 32)},
      {"countryButton", QRect(399, 45, 175, 32)},
  };
  for (const auto& b : buttons) {
    SCOPED_TRACE(b.name);
    const QPushButton* button = dialog.findChild<QPushButton*>(b.name);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->geometry(), b.rect);
    const QRect r = b.rect;
    EXPECT_GT(inkIn(shot, r), 40) << "no text drawn";
    EXPECT_EQ(inkIn(shot, QRect(r.left(), r.top(), 1, r.height())), 0) << "cut on the left";
    EXPECT_EQ(inkIn(shot, QRect(r.right(), r.top(), 1, r.height())), 0) << "cut on the right";
  }
  const QPushButton* phone = dialog.findChild<QPushButton*>("phoneLoginWayButton");
  EXPECT_EQ(phone->text(), QStringLiteral("Phone number")) << "smaller, not cut";
  EXPECT_LE(phone->font().pixelSize(), 24);
  EXPECT_GE(phone->font().pixelSize(), 16);
  const QPushButton* country = dialog.findChild<QPushButton*>("countryButton");
  EXPECT_EQ(country->toolTip(),
            QStringLiteral("United Kingdom of Great Britain and Northern Ireland"));
}

TEST_F(LoginXvfb, CountryPickerFiltered) {
  LoginWindow dialog;
  CountryCodeWindow picker(&dialog);
  picker.move(100, 100);
  picker.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&picker, 60000));
  picker.filterEdit.setText("ch");
  const QPoint done(368 + 10, 792 + 16 + 10);  // inside the grey Done button
  const QColor grey(230, 230, 230);
  const QImage shot = grabWhenDrawn(picker, done, grey, "country_picker.png");
  EXPECT_EQ(shot.size(), QSize(640, 880));
  EXPECT_EQ(shot.pixelColor(done), grey);
  ASSERT_EQ(picker.countryButtons.size(), 2);
  EXPECT_EQ(picker.countryButtons[0]->geometry().size(), QSize(640, 96));
}

}  // namespace
