// The PTZ pad's keys, driven by mouse events, their 300 ms timers fired on
// the test's own clock; every command the pad sends is recorded with the
// time of that clock.
#include <gtest/gtest.h>

#include <QTest>

#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "adapter_hardWare/AdapterHardware.h"
#include "mainwindow.h"
#include "playview_support.h"
#include "view/PTZcontrolWindow.h"

namespace {

using playviewtest::PadClock;
using playviewtest::pumpFor;

struct Sent {
  qint64 atMs;
  int command;
  int value;
  bool operator==(const Sent& o) const {
    return atMs == o.atMs && command == o.command && value == o.value;
  }
};

void PrintTo(const Sent& s, std::ostream* os) {
  *os << "{" << s.atMs << " ms: " << s.command << ", " << s.value << "}";
}

// A pad whose commands are recorded, with the time of the test's clock,
// instead of going to a camera.
class RecordingPad : public PTZcontrolWindow {
 public:
  void send_ptz(int command, int value) override {
    sent.push_back({clock ? clock->now() : -1, command, value});
  }
  const PadClock* clock = nullptr;
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
  void SetUp() override {
    pad_.show();
    pad_.clock = &clock_;
  }
  void TearDown() override { mainwindow = nullptr; }

  MainWindow window_;
  // The pad takes its pictures from the main window when it is built.
  const bool bound_ = (mainwindow = &window_, true);
  RecordingPad pad_;
  PadClock clock_{pad_};
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

// The keys' commands and when they go, on the test's clock: a tap steps
// once at the 300 ms timer, a hold moves until the release stops it, hiding
// the pad stops once and for good (neither the key's timer nor its later
// release sends anything), a second press starts the timer over.
TEST_F(PtzPad, KeyTimelineTable) {
  enum class Ev { Press, Release, Hide };
  const struct {
    const char* name;
    std::vector<std::pair<qint64, Ev>> events;
    std::vector<Sent> sent;  // direction written as 9, replaced per key
  } cases[] = {
      {"tap of 100 ms", {{0, Ev::Press}, {100, Ev::Release}}, {{300, 9, 0}}},
      {"hold of 2 s", {{0, Ev::Press}, {2000, Ev::Release}}, {{300, 9, 1}, {2000, 0, 1}}},
      {"hide while moving", {{0, Ev::Press}, {600, Ev::Hide}, {1200, Ev::Release}},
       {{300, 9, 1}, {600, 0, 1}}},
      {"hide before the timer", {{0, Ev::Press}, {100, Ev::Hide}, {700, Ev::Release}},
       {{100, 0, 1}}},
      {"second press starts the timer over",
       {{0, Ev::Press}, {100, Ev::Release}, {200, Ev::Press}, {2000, Ev::Release}},
       {{500, 9, 1}, {2000, 0, 1}}},
  };
  for (int direction : {E_PTZ_CTRL_UP, E_PTZ_CTRL_DOWN, E_PTZ_CTRL_LEFT, E_PTZ_CTRL_RIGHT}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(c.name) + ", direction " + std::to_string(direction));
      PadClock clock(pad_);
      pad_.clock = &clock;
      pad_.sent.clear();
      pad_.show();
      PTZcontrolButton* key = keyFor(pad_, direction);
      ASSERT_NE(key, nullptr);
      for (const auto& [at, ev] : c.events) {
        clock.advanceTo(at);
        if (ev == Ev::Press) clock.press(key);
        if (ev == Ev::Release) clock.release(key);
        if (ev == Ev::Hide) {
          clock.act([&] { pad_.hide_and_stop(); });
          EXPECT_FALSE(pad_.isVisible());
        }
      }
      clock.advanceTo(clock.now() + 5000);  // nothing may follow
      std::vector<Sent> expected = c.sent;
      for (Sent& e : expected) {
        if (e.command == 9) e.command = direction;
      }
      EXPECT_EQ(pad_.sent, expected);
      EXPECT_FALSE(key->pressed());
      EXPECT_FALSE(key->moving());
      EXPECT_TRUE(clock.idle()) << "a key's timer is still running";
    }
  }
  pad_.clock = &clock_;
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
