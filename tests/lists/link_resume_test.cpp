// A playing camera whose link breaks and comes back (the device link
// reports it lost, then Online again) asks for its streams again by itself,
// as its play's start did: a single-camera play video then sound, a group
// cell video only. A camera not playing, a play stopped while the camera was
// away, a link ended on purpose and an Online repeated while online ask for
// nothing.
#include <QTest>

#include "lists_fixture.h"

namespace {

using namespace liststest;  // the fixture, Sent and the request types

enum class Play { None, Single, GroupCell };
enum class Away { Nothing, PlayStopped, LinkEndedOnPurpose };

struct Case {
  const char* name;
  Play play;
  std::vector<int> lost;  // reports before the camera is Online again
  Away away;              // what happens while it is away
  std::vector<Sent> asked;  // start requests once it is Online again
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

const Case kCases[] = {
    {"SinglePlayAsksForVideoThenSound", Play::Single, {E_CONN_STATUS_DISCONNECTED}, Away::Nothing,
     {{"A", kVideoStart}, {"A", kAudioStart}}},
    {"SinglePlayThroughOfflineAndConnecting", Play::Single,
     {E_CONN_STATUS_DISCONNECTED, E_CONN_STATUS_OFFLINE, E_CONN_STATUS_CONNECTING},
     Away::Nothing, {{"A", kVideoStart}, {"A", kAudioStart}}},
    {"GroupCellAsksForVideoOnly", Play::GroupCell, {E_CONN_STATUS_DISCONNECTED}, Away::Nothing,
     {{"A", kVideoStart}}},
    {"CameraNotPlayingAsksNothing", Play::None, {E_CONN_STATUS_DISCONNECTED}, Away::Nothing, {}},
    {"SinglePlayStoppedWhileAwayAsksNothing", Play::Single, {E_CONN_STATUS_DISCONNECTED},
     Away::PlayStopped, {}},
    {"GroupStoppedWhileAwayAsksNothing", Play::GroupCell, {E_CONN_STATUS_DISCONNECTED},
     Away::PlayStopped, {}},
    {"OnlineRepeatedWhileOnlineAsksNothing", Play::Single, {}, Away::Nothing, {}},
    {"LinkEndedOnPurposeAsksNothing", Play::Single, {}, Away::LinkEndedOnPurpose, {}},
};

class LinkResume : public ListsTest, public ::testing::WithParamInterface<Case> {
 protected:
  void SetUp() override {
    ListsTest::SetUp();
    listDevices({{"A"}, {"B"}});
    storeGroup(QStringLiteral("g"), {QStringLiteral("A")});
    buildList();
    online("A");
    online("B");
  }
  void clickTile(const QString& id) {
    QTest::mouseClick(&camera(id)->pictureLabel, Qt::LeftButton);
    deliver();
  }
  void clickGroup() {
    QTest::mouseClick(&group(QStringLiteral("g"))->groupPictureLabel, Qt::LeftButton);
    deliver();
  }
};

TEST_P(LinkResume, StreamsAskedAgainOnlyForAPlayThatStillRuns) {
  const Case& c = GetParam();
  if (c.play == Play::Single) clickTile(QStringLiteral("A"));
  if (c.play == Play::GroupCell) clickGroup();
  ASSERT_EQ(camera("A")->get_isPlaying(), c.play != Play::None);

  for (int state : c.lost) report(camera("A"), state);
  switch (c.away) {
    case Away::Nothing: break;
    case Away::PlayStopped:
      if (c.play == Play::Single) clickTile(QStringLiteral("A"));
      if (c.play == Play::GroupCell) clickGroup();
      ASSERT_FALSE(camera("A")->get_isPlaying());
      break;
    case Away::LinkEndedOnPurpose:
      camera("A")->P2P_disconnect();  // the device link reports 6 for it
      deliver();
      EXPECT_EQ(camera("A")->get_p2pState(), E_CONN_STATUS_DISCONNECTED);
      break;
  }

  const size_t m = mark();
  online("A");
  EXPECT_EQ(only(sent(m), {kVideoStart, kAudioStart, kVideoStop, kAudioStop}), c.asked);
  EXPECT_EQ(log_->count("link back: asking for the streams again"), c.asked.empty() ? 0 : 1);
  EXPECT_EQ(camera("A")->get_isPlaying(), c.play != Play::None && c.away != Away::PlayStopped);
  // Another Online of a link that never broke asks nothing more.
  const size_t again = mark();
  online("A");
  EXPECT_TRUE(only(sent(again), {kVideoStart, kAudioStart}).empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, LinkResume, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& i) {
                           return std::string(i.param.name);
                         });

}  // namespace
