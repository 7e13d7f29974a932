// Playing one camera from its tile: the requests reach the fake device
// link in the order the camera must see them (video start, then sound; a
// second click stops both; a click on another camera stops the playing one
// first), the play button's icon follows what the camera does, and a camera
// clicked before it is online waits in its view and starts once online.
#include <QGridLayout>
#include <QTest>

#include <functional>

#include "lists_fixture.h"

namespace {

using namespace liststest;  // the fixture, Sent and the request types


class SinglePlay : public ListsTest {
 protected:
  void SetUp() override {
    ListsTest::SetUp();
    listDevices({{"A"}, {"B"}, {"C"}});
    buildList();
    online("A");
    online("B");  // C stays offline
  }
  // A click on the camera's tile picture; the requests it sent.
  std::vector<Sent> click(const QString& id) {
    const size_t m = mark();
    QTest::mouseClick(&camera(id)->pictureLabel, Qt::LeftButton);
    deliver();
    return sent(m);
  }
  bool playIconShowsStop(const QString& id) {
    return showsIcon(camera(id)->ownPlayView().playButton, "ic_stop_dark.png");
  }
};

TEST_F(SinglePlay, ClickStartsVideoThenSoundAndTheSecondClickStopsBoth) {
  std::vector<Sent> s = click("A");
  EXPECT_EQ(only(s, {kVideoStart, kAudioStart}),
            (std::vector<Sent>{{"A", kVideoStart}, {"A", kAudioStart}}));
  ASSERT_GE(s.size(), 2u);
  EXPECT_EQ(s.back(), (Sent{"A", kAudioStart})) << "the start comes after every stop";
  EXPECT_TRUE(camera("A")->get_isPlaying());
  EXPECT_EQ(window_->playState, E_MAINWINDOW_ONEWINDOW_PLAYING);
  EXPECT_TRUE(playIconShowsStop("A"));

  s = click("A");
  EXPECT_EQ(s, (std::vector<Sent>{{"A", kVideoStop}, {"A", kAudioStop}}));
  EXPECT_FALSE(camera("A")->get_isPlaying());
  EXPECT_FALSE(playIconShowsStop("A"));
  EXPECT_EQ(window_->playState, E_MAINWINDOW_ONEWINDOW_PLAYING) << "a stop keeps the play state";
}

TEST_F(SinglePlay, ClickingAnotherCameraStopsThePlayingOneFirst) {
  click("A");
  const std::vector<Sent> s = click("B");
  const auto at = [&](const Sent& wanted) {
    return std::find(s.begin(), s.end(), wanted) - s.begin();
  };
  ASSERT_LT(at({"A", kVideoStop}), static_cast<long>(s.size()));
  EXPECT_LT(at({"A", kVideoStop}), at({"B", kVideoStart}));
  EXPECT_LT(at({"A", kAudioStop}), at({"B", kVideoStart}));
  EXPECT_EQ(only(s, {kVideoStart, kAudioStart}),
            (std::vector<Sent>{{"B", kVideoStart}, {"B", kAudioStart}}));
  EXPECT_FALSE(camera("A")->get_isPlaying());
  EXPECT_TRUE(camera("B")->get_isPlaying());
  EXPECT_FALSE(playIconShowsStop("A"));
  EXPECT_TRUE(playIconShowsStop("B"));
}

// A camera clicked before it is online: nothing is asked of it yet, its
// play view takes the play area with the camera's badge (never an empty
// area), the play button says "stop", and the first Online starts the play
// with exactly one video start, then the sound.
TEST_F(SinglePlay, AnOfflineCameraWaitsInItsViewAndStartsOnceOnline) {
  std::vector<Sent> s = click("C");
  EXPECT_TRUE(only(s, {kVideoStart, kAudioStart}).empty());
  EXPECT_FALSE(camera("C")->get_isPlaying());
  EXPECT_TRUE(camera("C")->playWaiting());
  EXPECT_TRUE(playIconShowsStop("C"));
  WholeRenderWindow& view = camera("C")->ownPlayView();
  EXPECT_GE(window_->centralGrid->indexOf(&view), 0) << "the view is in the play area";
  EXPECT_FALSE(view.isHidden());
  EXPECT_FALSE(view.labLinkState.isHidden());
  EXPECT_EQ(view.labLinkState.text(), camera("C")->stateLabel.text());
  report(camera("C"), E_CONN_STATUS_CONNECTING);
  EXPECT_EQ(view.labLinkState.text(), "conecting") << "the badge follows the camera";

  const size_t m = mark();
  online("C");
  EXPECT_EQ(only(sent(m), {kVideoStart, kAudioStart}),
            (std::vector<Sent>{{"C", kVideoStart}, {"C", kAudioStart}}));
  EXPECT_TRUE(camera("C")->get_isPlaying());
  EXPECT_FALSE(camera("C")->playWaiting());
  EXPECT_TRUE(view.labLinkState.isHidden());
  EXPECT_TRUE(playIconShowsStop("C"));
  // An Online that follows starts nothing more.
  const size_t again = mark();
  online("C");
  EXPECT_TRUE(only(sent(again), {kVideoStart, kAudioStart}).empty());
}

// The user stops a waiting play (the same tile, another camera, or sign-out):
// Online then asks nothing of the camera.
TEST_F(SinglePlay, AWaitingPlayStoppedMeanwhileNeverStarts) {
  const struct {
    const char* how;
    std::function<void()> stop;
  } cases[] = {
      {"the same tile again", [&] { click("C"); }},
      {"another camera", [&] { click("A"); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.how);
    click("C");
    ASSERT_TRUE(camera("C")->playWaiting());
    c.stop();
    EXPECT_FALSE(camera("C")->playWaiting());
    EXPECT_FALSE(playIconShowsStop("C"));
    EXPECT_TRUE(camera("C")->ownPlayView().labLinkState.isHidden());
    const size_t m = mark();
    online("C");
    EXPECT_TRUE(only(sent(m), {kVideoStart, kAudioStart}).empty());
    EXPECT_FALSE(camera("C")->get_isPlaying());
    report(camera("C"), E_CONN_STATUS_DISCONNECTED);  // away again for the next case
  }
  click("C");
  ASSERT_TRUE(camera("C")->playWaiting());
  EXPECT_EQ(signOut(), 1);
  EXPECT_FALSE(camera("C")->playWaiting());
  const size_t m = mark();
  online("C");
  EXPECT_TRUE(only(sent(m), {kVideoStart, kAudioStart}).empty());
}

// A playing camera that is also in a group: its second click stops it
// (stopping the groups first stopped it already and made the click start
// it again).
TEST_F(SinglePlay, SecondClickStopsACameraThatIsInAGroup) {
  storeGroup(QStringLiteral("g"), {QStringLiteral("A")});
  window_->device_groupInfodb_read_groupInfo();
  ASSERT_NE(group(QStringLiteral("g")), nullptr);
  click("A");
  ASSERT_TRUE(camera("A")->get_isPlaying());
  const std::vector<Sent> s = click("A");
  EXPECT_TRUE(only(s, {kVideoStart, kAudioStart}).empty()) << "started again";
  EXPECT_FALSE(camera("A")->get_isPlaying());
  EXPECT_FALSE(playIconShowsStop("A"));
}

TEST_F(SinglePlay, UnknownCameraChangesNothing) {
  click("A");
  const size_t m = mark();
  window_->oneWindowPlay_video_Handler(QString(), QStringLiteral("NOPE"));
  EXPECT_TRUE(sent(m).empty());
  EXPECT_TRUE(camera("A")->get_isPlaying());
  EXPECT_EQ(log_->count("not find device "), 1);
}

}  // namespace
