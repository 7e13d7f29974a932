// The two ways out of a signed-in period, against the fake device link:
// sign-out stops every play and every camera's link (connect timers too)
// while the cameras are still listed, frees the device container and ends
// the event loop with 1; the program entry's delete-all then removes groups
// before cameras. Closing asks; No changes nothing, Yes stops the plays and
// ends every link.
#include <QApplication>
#include <QTest>
#include <QTimer>

#include <map>

#include "../app/message_box_answer.h"
#include "lists_fixture.h"

namespace {

using namespace liststest;  // the fixture, Sent and the request types


class Leaving : public ListsTest {
 protected:
  // A plays alone, group g (B, C) waits.
  void SetUp() override {
    ListsTest::SetUp();
    listDevices({{"A"}, {"B"}, {"C"}});
    storeGroup("g", {"B", "C"});
    buildList();
    for (const char* id : {"A", "B", "C"}) online(id);
    QTest::mouseClick(&camera("A")->pictureLabel, Qt::LeftButton);
    deliver();
    ASSERT_TRUE(camera("A")->get_isPlaying());
  }
  static std::vector<std::string> sorted(std::vector<std::string> v) {
    std::sort(v.begin(), v.end());
    return v;
  }
};

TEST_F(Leaving, SignOutStopsEveryPlayAndLinkWhileTheCamerasAreListed) {
  QTest::mouseClick(&group("g")->groupPictureLabel, Qt::LeftButton);  // the group plays instead
  deliver();
  ASSERT_TRUE(camera("B")->get_isPlaying());
  const size_t m = mark();
  // What the handler itself leaves (before the loop runs again).
  std::map<std::string, bool> timerActive;
  QTimer::singleShot(0, window_, [&] {
    window_->user_singout_Handler();
    for (const char* id : {"A", "B", "C"})
      timerActive[id] = camera(id)->P2P_connect_ahead_Thread_timer.isActive();
  });
  EXPECT_EQ(QApplication::exec(), 1);

  const std::vector<Sent> s = sent(m);
  for (const char* id : {"A", "B", "C"}) {
    SCOPED_TRACE(id);
    EXPECT_NE(std::find(s.begin(), s.end(), Sent{id, kVideoStop}), s.end());
    EXPECT_NE(std::find(s.begin(), s.end(), Sent{id, kAudioStop}), s.end());
    EXPECT_FALSE(camera(id)->get_isPlaying());
    EXPECT_FALSE(timerActive[id]);
  }
  EXPECT_TRUE(only(s, {kVideoStart}).empty());
  EXPECT_EQ(sorted(callsOf("APP_disconnect", m)), (std::vector<std::string>{"A", "B", "C"}));
  EXPECT_EQ(window_->oneWindowDevice_list.size(), 3) << "the list changes only afterwards";
  EXPECT_EQ(group("g")->get_quadPlaying(), 0);
  EXPECT_EQ(window_->playState, E_MAINWINDOW_NOT_PLAYING);
  EXPECT_EQ(window_->listTitleLabel->text(), "");
  EXPECT_EQ(window_->device, nullptr);

  // The links' reports of their end (state 6) start no connect timer again.
  deliver();
  for (const char* id : {"A", "B", "C"})
    EXPECT_FALSE(camera(id)->P2P_connect_ahead_Thread_timer.isActive()) << id;
  const size_t beforeDelete = mark();
  window_->mainWindow_deleteAllDevice();
  // A late report of a deleted camera finds nothing.
  fake_tessan::postStatus("A", E_CONN_STATUS_ONLINE);
  deliver();
  EXPECT_TRUE(callsOf("APP_connect", beforeDelete).empty());
  EXPECT_EQ(oneWindowDevice::registry().size(), 0u);
}

// The groups go before the cameras: a group lets go of its members as it
// goes (with the cameras deleted first, it would write to freed cameras;
// AddressSanitizer would stop the test there).
TEST_F(Leaving, DeleteAllRemovesGroupsBeforeCameras) {
  QTest::mouseClick(&group("g")->groupPictureLabel, Qt::LeftButton);
  deliver();
  EXPECT_EQ(signOut(), 1);
  log_->clear();
  window_->mainWindow_deleteAllDevice();
  const QStringList lines = log_->lines();
  const int lastGroup = lines.lastIndexOf("~QuadWindowDevice");
  const int firstCamera = lines.indexOf("~oneWindowDevice");
  ASSERT_GE(lastGroup, 0);
  ASSERT_GE(firstCamera, 0);
  EXPECT_LT(lastGroup, firstCamera);
  EXPECT_EQ(log_->count("~oneWindowDevice"), 3);
}

TEST_F(Leaving, CloseAsksAndNoKeepsEverythingRunning) {
  window_->show();
  const size_t m = mark();
  auto seen = testsupport::answerNextMessageBox(QMessageBox::No);
  EXPECT_FALSE(window_->close());
  EXPECT_TRUE(seen->answered);
  EXPECT_EQ(seen->title, "Exit");
  EXPECT_EQ(seen->text, "Confirm to exit the program?");
  EXPECT_TRUE(window_->isVisible());
  EXPECT_TRUE(camera("A")->get_isPlaying());
  EXPECT_TRUE(sent(m).empty());
  EXPECT_TRUE(callsOf("APP_disconnect", m).empty());
}

TEST_F(Leaving, CloseWithYesStopsThePlaysAndEndsEveryLink) {
  window_->show();
  const size_t m = mark();
  auto seen = testsupport::answerNextMessageBox(QMessageBox::Yes);
  EXPECT_TRUE(window_->close());
  EXPECT_TRUE(seen->answered);
  EXPECT_FALSE(window_->isVisible());
  const std::vector<Sent> s = sent(m);
  EXPECT_NE(std::find(s.begin(), s.end(), Sent{"A", kVideoStop}), s.end());
  EXPECT_NE(std::find(s.begin(), s.end(), Sent{"A", kAudioStop}), s.end());
  EXPECT_FALSE(camera("A")->get_isPlaying());
  EXPECT_EQ(sorted(callsOf("APP_disconnect", m)), (std::vector<std::string>{"A", "B", "C"}));
  deliver();
  for (const char* id : {"A", "B", "C"}) {
    EXPECT_FALSE(camera(id)->P2P_connect_ahead_Thread_timer.isActive()) << id;
    EXPECT_FALSE(camera(id)->ownPlayView().ptzWindow.isVisible()) << id;
  }
}

}  // namespace
