// The decisions behind what a play shows besides its picture: the live
// rule on a clock of the test's own (5 s without a new picture), the play
// that waits for its camera to come online, and the list column's notices.
#include <gtest/gtest.h>

#include "device/live_watch.h"
#include "device/play_wait.h"
#include "event/list_notice.h"
#include "event/play_state.h"
#include "Tessan.h"

namespace {

using Event = LiveWatch::Event;

TEST(LiveWatch, FiveSecondsWithoutANewPictureThenTheNextPicture) {
  // (time ms, pictures shown so far) -> what is told.
  const struct {
    int64_t at;
    uint64_t shown;
    Event told;
  } steps[] = {
      {0, 7, Event::None},          // right after the start
      {4999, 7, Event::None},       // not yet
      {5000, 7, Event::NotLive},    // five seconds since the start
      {9000, 7, Event::None},       // told once
      {9100, 8, Event::LiveAgain},  // the next picture
      {14099, 8, Event::None},      // five seconds from that picture, less one ms
      {14100, 8, Event::NotLive},
      {14200, 12, Event::LiveAgain},
      {15000, 13, Event::None},     // pictures flowing: nothing to tell
      {19999, 14, Event::None},
  };
  LiveWatch w;
  w.start(0, 7);
  for (const auto& s : steps) EXPECT_EQ(w.check(s.at, s.shown), s.told) << "at " << s.at;
}

TEST(LiveWatch, AStoppedWatchTellsNothingAndAStartBeginsAfresh) {
  LiveWatch w;
  EXPECT_EQ(w.check(100000, 0), Event::None) << "never started";
  w.start(0, 0);
  EXPECT_EQ(w.check(6000, 0), Event::NotLive);
  w.stop();
  EXPECT_EQ(w.check(20000, 5), Event::None);
  w.start(20000, 5);  // a new play: live until proven otherwise
  EXPECT_TRUE(w.live());
  EXPECT_EQ(w.check(24999, 5), Event::None);
  EXPECT_EQ(w.check(25000, 5), Event::NotLive);
}

TEST(PlayWait, OnlyOnlineStartsTheWaitingPlayWhereItWasAskedFor) {
  const struct {
    const char* name;
    PlayMode waiting;
    int report;
    int playState;
    bool target;
    PlayMode started;
    bool stillWaiting;
  } cases[] = {
      {"SingleOnline", PlayMode::Single, E_CONN_STATUS_ONLINE, E_MAINWINDOW_ONEWINDOW_PLAYING,
       false, PlayMode::Single, false},
      {"GroupOnline", PlayMode::Group, E_CONN_STATUS_ONLINE, E_MAINWINDOW_QUADWINDOW_PLAYING, true,
       PlayMode::Group, false},
      {"Connecting", PlayMode::Single, E_CONN_STATUS_CONNECTING, E_MAINWINDOW_ONEWINDOW_PLAYING,
       false, PlayMode::None, true},
      {"Offline", PlayMode::Group, E_CONN_STATUS_OFFLINE, E_MAINWINDOW_QUADWINDOW_PLAYING, true,
       PlayMode::None, true},
      {"AnotherViewShown", PlayMode::Single, E_CONN_STATUS_ONLINE,
       E_MAINWINDOW_QUADWINDOW_PLAYING, true, PlayMode::None, false},
      {"CellGone", PlayMode::Group, E_CONN_STATUS_ONLINE, E_MAINWINDOW_QUADWINDOW_PLAYING, false,
       PlayMode::None, false},
      {"NothingWaits", PlayMode::None, E_CONN_STATUS_ONLINE, E_MAINWINDOW_ONEWINDOW_PLAYING, true,
       PlayMode::None, false},
  };
  for (const auto& c : cases) {
    PlayWait w;
    w.wait(c.waiting);
    EXPECT_EQ(w.onReport(c.report, c.playState, c.target), c.started) << c.name;
    EXPECT_EQ(w.waiting() != PlayMode::None, c.stillWaiting) << c.name;
  }
  PlayWait stopped;
  stopped.wait(PlayMode::Single);
  stopped.cancel();
  EXPECT_EQ(stopped.onReport(E_CONN_STATUS_ONLINE, E_MAINWINDOW_ONEWINDOW_PLAYING, false),
            PlayMode::None);
}

TEST(ListNotices, EachStateSaysOneThingOnItsPage) {
  ListNotices n;
  EXPECT_TRUE(n.text(NavigationPage::Camera).isEmpty()) << "no session, nothing to say";
  n.sessionStarted();
  EXPECT_EQ(n.text(NavigationPage::Camera), ListNotices::kLoading);
  n.cameraListFailed(true);
  EXPECT_EQ(n.text(NavigationPage::Camera), ListNotices::kRetrying);
  n.cameraListFailed(false);
  EXPECT_EQ(n.text(NavigationPage::Camera), ListNotices::kRefused);
  EXPECT_TRUE(n.text(NavigationPage::Group).isEmpty());
  n.cameraListBuilt();
  EXPECT_TRUE(n.text(NavigationPage::Camera).isEmpty());
  n.cameraListFailed(true);  // a late failure of a list that is shown
  EXPECT_TRUE(n.text(NavigationPage::Camera).isEmpty());
  n.setGroupsUnreadable(true);
  EXPECT_EQ(n.text(NavigationPage::Group), ListNotices::kGroupsUnreadable);
  EXPECT_TRUE(n.text(NavigationPage::Camera).isEmpty());
  n.sessionEnded();
  EXPECT_TRUE(n.text(NavigationPage::Group).isEmpty());
  EXPECT_TRUE(n.text(NavigationPage::Camera).isEmpty());
  // The texts tell the user what to do, in their words.
  for (const char* t : {ListNotices::kRetrying, ListNotices::kRefused}) {
    EXPECT_TRUE(QString::fromLatin1(t).contains("sign out")) << t;
    EXPECT_FALSE(QString::fromLatin1(t).contains("Error")) << t;
  }
}

}  // namespace
