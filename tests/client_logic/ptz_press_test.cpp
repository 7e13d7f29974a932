#include "view/ptz_press.h"

#include <gtest/gtest.h>

#include <ostream>
#include <vector>

namespace {

struct Sent {
  int at;
  int command;
  int value;
  bool operator==(const Sent& o) const {
    return at == o.at && command == o.command && value == o.value;
  }
};

std::ostream& operator<<(std::ostream& os, const Sent& s) {
  return os << "(" << s.at << " ms: " << s.command << "," << s.value << ")";
}

enum class Ev { Press, Release, Hide };
struct Event {
  int at;
  Ev what;
};

// Plays a timeline of one key's events against a pad; the key's 300 ms
// timer is started on each press and fires when its time comes unless it
// was stopped. Returns every command sent, with its time.
std::vector<Sent> play(PtzPadPress& pad, PtzKeyPress& key, const std::vector<Event>& events) {
  std::vector<Sent> sent;
  int timerDue = -1;
  const auto send = [&](int at, const PtzCommands& cmds) {
    for (const PtzCommand& c : cmds) sent.push_back({at, c.command, c.value});
  };
  const auto fireUntil = [&](int t) {
    if (timerDue >= 0 && timerDue <= t) {
      const int due = timerDue;
      timerDue = -1;
      send(due, key.timerFired());
    }
  };
  for (const Event& e : events) {
    fireUntil(e.at);
    switch (e.what) {
      case Ev::Press:
        key.press();
        timerDue = e.at + kPtzPressTimerMs;
        break;
      case Ev::Release:
        send(e.at, key.release());
        break;
      case Ev::Hide:
        send(e.at, pad.hideAndStop());
        break;
    }
    if (!key.timerRunning()) timerDue = -1;
  }
  fireUntil(1 << 30);
  return sent;
}

}  // namespace

TEST(PtzPress, TimelineTable) {
  const struct {
    const char* name;
    std::vector<Event> events;
    std::vector<Sent> sent;  // direction written as 9, replaced per key
  } cases[] = {
      {"tap of 100 ms", {{0, Ev::Press}, {100, Ev::Release}}, {{300, 9, 0}}},
      {"hold of 2 s", {{0, Ev::Press}, {2000, Ev::Release}}, {{300, 9, 1}, {2000, 0, 1}}},
      {"hide while held",
       {{0, Ev::Press}, {1000, Ev::Hide}, {1500, Ev::Release}},
       {{300, 9, 1}, {1000, 0, 1}}},
      {"hide before the timer",
       {{0, Ev::Press}, {100, Ev::Hide}, {2000, Ev::Release}},
       {{100, 0, 1}}},
      {"second press restarts the timer",
       {{0, Ev::Press}, {100, Ev::Release}, {200, Ev::Press}, {2000, Ev::Release}},
       {{500, 9, 1}, {2000, 0, 1}}},
  };
  for (int direction = 1; direction <= 4; ++direction) {
    for (const auto& c : cases) {
      PtzPadPress pad;
      PtzKeyPress* key = pad.key(direction);
      ASSERT_NE(key, nullptr);
      std::vector<Sent> expected = c.sent;
      for (Sent& s : expected) {
        if (s.command == 9) s.command = direction;
      }
      EXPECT_EQ(play(pad, *key, c.events), expected) << c.name << ", direction " << direction;
      EXPECT_FALSE(key->pressed());
      EXPECT_FALSE(key->moving());
    }
  }
}

// The pending timer's event may still be delivered after the pad was
// hidden: it must not start a move.
TEST(PtzPress, StaleTimerAfterHideSendsNothing) {
  PtzPadPress pad;
  PtzKeyPress* up = pad.key(1);
  up->press();
  EXPECT_EQ(pad.hideAndStop(), (PtzCommands{{0, 1}}));
  EXPECT_FALSE(up->timerRunning());
  EXPECT_FALSE(up->pressed());
  EXPECT_TRUE(up->timerFired().empty());
  EXPECT_TRUE(up->release().empty());
}

TEST(PtzPress, OnlyFourDirections) {
  PtzPadPress pad;
  for (int d : {1, 2, 3, 4}) {
    ASSERT_NE(pad.key(d), nullptr);
    EXPECT_EQ(pad.key(d)->direction(), d);
  }
  for (int d : {0, 5, 48, -1}) EXPECT_EQ(pad.key(d), nullptr) << d;

  for (int d : {0, 5, 7, -1}) {
    PtzKeyPress key(d);
    key.press();
    EXPECT_TRUE(key.timerFired().empty()) << d;
    EXPECT_TRUE(key.release().empty()) << d;
  }
}
