// Playing one camera from its tile: the requests reach the fake device
// link in the order the camera must see them (video start, then sound; a
// second click stops both; a click on another camera stops the playing one
// first), and the play button's icon follows what the camera does.
#include <QTest>

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
    return showsIcon(camera(id)->wholeRenderWindow.playButton, "ic_stop_dark.png");
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

TEST_F(SinglePlay, AnOfflineCameraDoesNotStartAndKeepsItsPlayIcon) {
  const std::vector<Sent> s = click("C");
  EXPECT_TRUE(only(s, {kVideoStart, kAudioStart}).empty());
  EXPECT_FALSE(camera("C")->get_isPlaying());
  EXPECT_FALSE(playIconShowsStop("C"));
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
