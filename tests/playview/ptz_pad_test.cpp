// The PTZ pad's keys with their real 300 ms timers, driven by mouse events;
// every command the pad sends is recorded with its time since the press.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTest>

#include <vector>

#include "adapter_hardWare/AdapterHardware.h"
#include "mainwindow.h"
#include "playview_support.h"
#include "view/PTZcontrolWindow.h"

namespace {

using playviewtest::pumpFor;
using playviewtest::pumpUntil;

struct Sent {
  qint64 atMs;
  int command;
  int value;
};

// A pad whose commands are recorded instead of going to a camera.
class RecordingPad : public PTZcontrolWindow {
 public:
  void send_ptz(int command, int value) override {
    sent.push_back({clock.isValid() ? clock.elapsed() : -1, command, value});
  }
  QElapsedTimer clock;  // started at the press
  std::vector<Sent> sent;
};

PTZcontrolButton* keyFor(PTZcontrolWindow& pad, int direction) {
  for (int i = 0; i < 4; ++i) {
    if (pad.keys()[i]->direction == direction) return pad.keys()[i];
  }
  return nullptr;
}

class PtzPad : public ::testing::Test {
 protected:
  void SetUp() override { pad_.show(); }
  void TearDown() override { mainwindow = nullptr; }

  void press(PTZcontrolButton* key) {
    pad_.clock.start();
    QTest::mousePress(key, Qt::LeftButton);
  }

  MainWindow window_;
  // The pad takes its pictures from the main window when it is built.
  const bool bound_ = (mainwindow = &window_, true);
  RecordingPad pad_;
};

TEST_F(PtzPad, KeysSitWhereTheirPicturesWereDrawnForTheirDirection) {
  const struct {
    PTZcontrolButton* key;
    int direction;
    QPoint at;
  } keys[] = {
      {pad_.leftButton, E_PTZ_CTRL_LEFT, {20, 92}},
      {pad_.rightButton, E_PTZ_CTRL_RIGHT, {172, 96}},
      {pad_.upButton, E_PTZ_CTRL_UP, {92, 16}},
      {pad_.downButton, E_PTZ_CTRL_DOWN, {89, 172}},
  };
  for (const auto& k : keys) {
    SCOPED_TRACE(k.direction);
    ASSERT_NE(k.key, nullptr);
    EXPECT_EQ(k.key->direction, k.direction);
    EXPECT_EQ(k.key->parentWidget(), &pad_);
    EXPECT_EQ(k.key->pos(), QPoint(adapterHardware.sx(k.at.x()), adapterHardware.sy(k.at.y())));
  }
}

TEST_F(PtzPad, ATapSendsOneStepAtTheTimerAndNothingElse) {
  for (int direction : {E_PTZ_CTRL_UP, E_PTZ_CTRL_DOWN, E_PTZ_CTRL_LEFT, E_PTZ_CTRL_RIGHT}) {
    SCOPED_TRACE(direction);
    pad_.sent.clear();
    PTZcontrolButton* key = keyFor(pad_, direction);
    press(key);
    pumpFor(100);
    QTest::mouseRelease(key, Qt::LeftButton);
    EXPECT_TRUE(pad_.sent.empty()) << "a release within 300 ms sends nothing by itself";
    ASSERT_TRUE(pumpUntil([&] { return !pad_.sent.empty(); }, 3000));
    pumpFor(500);  // nothing may follow
    ASSERT_EQ(pad_.sent.size(), 1u);
    EXPECT_EQ(pad_.sent[0].command, direction);
    EXPECT_EQ(pad_.sent[0].value, 0) << "one step";
    EXPECT_GE(pad_.sent[0].atMs, 250) << "the step waits for the 300 ms timer";
    EXPECT_FALSE(key->pressed());
    EXPECT_FALSE(key->moving());
    EXPECT_FALSE(key->pressTimer.isActive());
  }
}

TEST_F(PtzPad, AHeldKeyMovesUntilReleasedThenStops) {
  PTZcontrolButton* key = pad_.rightButton;
  press(key);
  ASSERT_TRUE(pumpUntil([&] { return !pad_.sent.empty(); }, 3000));
  EXPECT_TRUE(key->pressed());
  EXPECT_TRUE(key->moving());
  pumpFor(int(std::max<qint64>(0, 2000 - pad_.clock.elapsed())));
  ASSERT_EQ(pad_.sent.size(), 1u) << "nothing more while the key is held";
  const qint64 releasedAt = pad_.clock.elapsed();
  QTest::mouseRelease(key, Qt::LeftButton);
  pumpFor(400);
  ASSERT_EQ(pad_.sent.size(), 2u);
  EXPECT_EQ(pad_.sent[0].command, E_PTZ_CTRL_RIGHT);
  EXPECT_EQ(pad_.sent[0].value, 1) << "a continuous move";
  EXPECT_GE(pad_.sent[0].atMs, 250);
  EXPECT_EQ(pad_.sent[1].command, E_PTZ_CTRL_STOP);
  EXPECT_EQ(pad_.sent[1].value, 1);
  EXPECT_GE(pad_.sent[1].atMs, releasedAt) << "the stop comes with the release";
  EXPECT_FALSE(key->moving());
}

// Hiding the pad while a key is held: one stop, and nothing afterwards,
// neither from the key's timer nor from its later release.
TEST_F(PtzPad, HidingWhileAKeyIsHeldStopsOnceAndForGood) {
  const struct {
    const char* when;
    int hideAfterMs;
    std::vector<int> before;  // commands sent before the hide
  } cases[] = {
      {"before the timer fired", 100, {}},
      {"while moving", 600, {E_PTZ_CTRL_UP}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.when);
    pad_.sent.clear();
    pad_.show();
    PTZcontrolButton* key = pad_.upButton;
    press(key);
    pumpFor(c.hideAfterMs);
    ASSERT_EQ(pad_.sent.size(), c.before.size());
    pad_.hide_and_stop();
    EXPECT_FALSE(pad_.isVisible());
    ASSERT_EQ(pad_.sent.size(), c.before.size() + 1);
    EXPECT_EQ(pad_.sent.back().command, E_PTZ_CTRL_STOP);
    EXPECT_EQ(pad_.sent.back().value, 1);
    EXPECT_FALSE(key->pressTimer.isActive());
    pumpFor(600);  // past the press timer
    QTest::mouseRelease(key, Qt::LeftButton);
    pumpFor(100);
    EXPECT_EQ(pad_.sent.size(), c.before.size() + 1) << "nothing after the stop";
  }
}

TEST_F(PtzPad, PressedKeyShowsItsOwnPadPicture) {
  const QSize size = pad_.size();
  const auto picture = [&](const char* name) {
    return QImage(window_.picturePath(QString::fromLatin1(name)))
        .scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation)
        .convertToFormat(QImage::Format_ARGB32);
  };
  const QImage rest = picture("ic_direction_bg.png");
  ASSERT_FALSE(rest.isNull()) << "the program's pictures are missing";
  EXPECT_EQ(pad_.padImage.convertToFormat(QImage::Format_ARGB32), rest);
  const struct {
    PTZcontrolButton* key;
    const char* background;
  } keys[] = {
      {pad_.leftButton, "ic_direction_left_bg.png"},
      {pad_.rightButton, "ic_direction_right_bg.png"},
      {pad_.upButton, "ic_direction_top_bg.png"},
      {pad_.downButton, "ic_direction_down_bg.png"},
  };
  for (const auto& k : keys) {
    SCOPED_TRACE(k.background);
    QTest::mousePress(k.key, Qt::LeftButton);
    EXPECT_EQ(pad_.padImage.convertToFormat(QImage::Format_ARGB32), picture(k.background));
    EXPECT_NE(picture(k.background), rest);
    QTest::mouseRelease(k.key, Qt::LeftButton);
    EXPECT_EQ(pad_.padImage.convertToFormat(QImage::Format_ARGB32), rest);
  }
  pumpFor(400);  // the taps' steps
}

TEST_F(PtzPad, EscapeDoesNotCloseThePad) {
  QTest::keyClick(&pad_, Qt::Key_Escape);
  QTest::keyClick(&pad_, Qt::Key_Return);
  pumpFor(50);
  EXPECT_TRUE(pad_.isVisible());
  EXPECT_EQ(pad_.result(), 0);
}

}  // namespace
