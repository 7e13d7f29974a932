#include "device/connection_badge.h"

#include <gtest/gtest.h>

#include "../cloud/qt_print.h"

namespace {

const char kGrey[] = "background-color:#95A5AD;color:#FFFFFF;";
const char kDark[] = "background-color:#61727A;color:#FFFFFF;";
const char kGreen[] = "background-color:#68BF39;color:#FFFFFF;border:none";

}  // namespace

TEST(ConnectionBadge, ReportTable) {
  using T = ConnectTimerAction;
  const struct {
    int current;
    int report;
    bool setBadge;
    const char* style;
    const char* text;
    T timer;
    int p2pState;
  } cases[] = {
      {0, 1, true, kGrey, "conecting", T::Start, 1},
      {10, 1, true, kGrey, "conecting", T::Start, 1},
      {0, 2, true, kGrey, "conecting", T::Start, 2},
      {0, 3, true, kGrey, "conecting", T::Start, 3},
      {4, 5, true, kGrey, "conecting", T::Start, 5},
      {0, 4, true, kDark, "Offline", T::Start, 4},
      {10, 6, true, kDark, "Offline", T::Start, 6},
      {1, 10, true, kGreen, "Online", T::Stop, 10},
      {10, 7, false, "", "", T::None, 7},
      {4, 0, false, "", "", T::None, 0},
      {4, -1, false, "", "", T::None, -1},
  };
  for (const auto& c : cases) {
    const BadgeDecision d = connectionBadgeFor(c.current, c.report);
    EXPECT_TRUE(d.changes) << c.current << " -> " << c.report;
    EXPECT_EQ(d.setBadge, c.setBadge) << c.current << " -> " << c.report;
    EXPECT_EQ(d.styleSheet, QString(c.style)) << c.report;
    EXPECT_EQ(d.text, QString(c.text)) << c.report;
    EXPECT_EQ(d.timer, c.timer) << c.report;
    EXPECT_EQ(d.p2pState, c.p2pState) << c.report;
  }
}

TEST(ConnectionBadge, ConnectingAfterOfflineChangesNothing) {
  const BadgeDecision d = connectionBadgeFor(4, 1);
  EXPECT_FALSE(d.changes);
  EXPECT_FALSE(d.setBadge);
  EXPECT_EQ(d.timer, ConnectTimerAction::None);
  EXPECT_EQ(d.p2pState, 4);
}

// A camera's reports applied in turn: the retry timer runs until Online and
// starts again on any later report of 1 to 6.
TEST(ConnectionBadge, TimerFollowsTheReports) {
  int state = 0;
  bool timerRunning = false;
  QString text = kBadgeTextInitial;
  const struct {
    int report;
    bool running;
    const char* text;
  } steps[] = {
      {1, true, "conecting"}, {4, true, "Offline"}, {1, true, "Offline"},  {10, false, "Online"},
      {7, false, "Online"},   {6, true, "Offline"}, {10, false, "Online"}, {2, true, "conecting"},
  };
  for (const auto& s : steps) {
    const BadgeDecision d = connectionBadgeFor(state, s.report);
    if (d.changes) state = d.p2pState;
    if (d.setBadge) text = d.text;
    if (d.timer == ConnectTimerAction::Start) timerRunning = true;
    if (d.timer == ConnectTimerAction::Stop) timerRunning = false;
    EXPECT_EQ(timerRunning, s.running) << s.report;
    EXPECT_EQ(text, QString(s.text)) << s.report;
  }
  EXPECT_EQ(QString(kBadgeTextInitial), QString("offline"));
}
