// The tile's connection badge and the connect timer, driven the way the
// device link drives them: status reports fired from the fake link's own
// thread, through the message callback and the main window's queued
// signal, to the camera's badge.
#include <QSignalSpy>

#include "camera_fixture.h"
#include "device/connection_badge.h"

namespace {

struct BadgeCase {
  const char* name;
  std::vector<int> reports;
  const char* text;
  const char* style;
  int p2pState;
  bool timerRunning;
};

class BadgeSequence : public CameraTest, public ::testing::WithParamInterface<BadgeCase> {};

TEST_P(BadgeSequence, ShowsTheLastReportThatCounts) {
  const BadgeCase& c = GetParam();
  oneWindowDevice* camera = addCamera("CAM1");
  for (int status : c.reports) fake_tessan::postStatus("CAM1", status);
  deliver();
  EXPECT_EQ(camera->stateLabel.text(), QString::fromLatin1(c.text));
  EXPECT_EQ(camera->stateLabel.styleSheet(), QString::fromLatin1(c.style));
  EXPECT_EQ(camera->get_p2pState(), c.p2pState);
  EXPECT_EQ(camera->P2P_connect_ahead_Thread_timer.isActive(), c.timerRunning);
  EXPECT_EQ(camera->connectTimerActive, c.timerRunning);
  if (c.timerRunning) {
    EXPECT_EQ(camera->P2P_connect_ahead_Thread_timer.interval(), 5000);
  }
}

const char* const kGrey = kBadgeStyleConnecting;
const char* const kDark = kBadgeStyleOffline;
const char* const kGreen = kBadgeStyleOnline;

INSTANTIATE_TEST_SUITE_P(
    Reports, BadgeSequence,
    ::testing::Values(
        BadgeCase{"none", {}, "offline", kGrey, 0, false},
        BadgeCase{"connecting", {1}, "conecting", kGrey, 1, true},
        BadgeCase{"offline", {1, 4}, "Offline", kDark, 4, true},
        BadgeCase{"connectingAfterOffline", {1, 4, 1}, "Offline", kDark, 4, true},
        BadgeCase{"wrongToken", {1, 2}, "conecting", kGrey, 2, true},
        BadgeCase{"failed", {1, 5}, "conecting", kGrey, 5, true},
        BadgeCase{"online", {1, 10}, "Online", kGreen, 10, false},
        BadgeCase{"onlineThenDisconnected", {1, 10, 6}, "Offline", kDark, 6, true},
        BadgeCase{"onlineThenConnecting", {10, 1}, "conecting", kGrey, 1, true},
        BadgeCase{"onlineThenStatus3", {10, 3}, "conecting", kGrey, 3, true},
        BadgeCase{"onlineThenFailed", {10, 5}, "conecting", kGrey, 5, true},
        BadgeCase{"onlineThenOffline", {10, 4}, "Offline", kDark, 4, true},
        BadgeCase{"statusesThatReachNoWindow", {10, 7, 8, 0}, "Online", kGreen, 10, false},
        BadgeCase{"onlineAgain", {10, 6, 1, 10}, "Online", kGreen, 10, false}),
    [](const ::testing::TestParamInfo<BadgeCase>& i) { return std::string(i.param.name); });

TEST_F(CameraTest, ReportsForAnotherIdLeaveTheBadgeAlone) {
  oneWindowDevice* camera = addCamera("CAM1");
  addCamera("CAM2");
  fake_tessan::postStatus("CAM2", 10);
  fake_tessan::postStatus("CAM3", 10);
  fake_tessan::postStatus("cam1", 10);  // ids are compared exactly
  deliver();
  EXPECT_EQ(camera->stateLabel.text(), "offline");
  EXPECT_EQ(camera->get_p2pState(), 0);
}

TEST_F(CameraTest, LinkModeOfTheStatusIsKeptWhenKnown) {
  oneWindowDevice* camera = addCamera("CAM1");
  const std::pair<int, int> cases[] = {{2, 2}, {1, 1}, {7, 1}, {0, 0}};  // sent, kept
  for (const auto& [sent, kept] : cases) {
    fake_tessan::postStatus("CAM1", 1, sent);
    deliver();
    EXPECT_EQ(camera->get_paramMode(), kept) << sent;
  }
}

TEST_F(CameraTest, TwoTimerStartsLeaveOneTimerThatIsNotRestarted) {
  oneWindowDevice* camera = addCamera("CAM1");
  camera->P2P_connect_ahead_Thread_timer_start();
  const int id = camera->P2P_connect_ahead_Thread_timer.timerId();
  ASSERT_NE(id, -1);
  QThread::msleep(50);
  const int remaining = camera->P2P_connect_ahead_Thread_timer.remainingTime();
  camera->P2P_connect_ahead_Thread_timer_start();
  EXPECT_EQ(camera->P2P_connect_ahead_Thread_timer.timerId(), id);
  EXPECT_LE(camera->P2P_connect_ahead_Thread_timer.remainingTime(), remaining);
  // One stop ends it: there was only one.
  camera->P2P_connect_ahead_Thread_timer_stop();
  EXPECT_FALSE(camera->P2P_connect_ahead_Thread_timer.isActive());
  EXPECT_FALSE(camera->connectTimerActive);
  camera->P2P_connect_ahead_Thread_timer_stop();  // a second stop: nothing
  EXPECT_FALSE(camera->P2P_connect_ahead_Thread_timer.isActive());
}

}  // namespace
