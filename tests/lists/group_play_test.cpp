// Groups in the play area: a click on the group item opens its 2x2 grid and
// starts the members' video only (member j in cell j, in stored order), a
// second click stops them; a cell's button acts on the group shown; the
// group icon slot sets the members' cells; deleting a playing group stops
// it before anything else; a camera in two groups acts for the one shown
// and keeps its name when the other goes; a group made in the dialog joins
// the list and plays.
#include <QGridLayout>
#include <QImage>
#include <QPointer>
#include <QTest>
#include <QVBoxLayout>

#include "lists_fixture.h"
#include "view/QuadWindowCreateWindow.h"

namespace {

using namespace liststest;  // the fixture, Sent and the request types


class GroupPlay : public ListsTest {
 protected:
  // Cameras A, B, C online; D listed but offline; groups as stored.
  void build(const std::vector<std::pair<QString, QStringList>>& groups) {
    listDevices({{"A"}, {"B"}, {"C"}, {"D"}});
    for (const auto& g : groups) storeGroup(g.first, g.second);
    buildList();
    for (const char* id : {"A", "B", "C"}) online(id);
  }
  std::vector<Sent> clickGroup(const QString& name) {
    const size_t m = mark();
    QTest::mouseClick(&group(name)->groupPictureLabel, Qt::LeftButton);
    deliver();
    return sent(m);
  }
  std::vector<Sent> clickCellPlay(const QString& name, int cell) {
    const size_t m = mark();
    QTest::mouseClick(&group(name)->playGrid().tiles[cell].playButton, Qt::LeftButton);
    deliver();
    return sent(m);
  }
  std::vector<Sent> clickDelete(const QString& name) {
    const size_t m = mark();
    QTest::mouseClick(&group(name)->deleteButton, Qt::LeftButton);
    deliver();
    return sent(m);
  }
  const VideoRenderTarget* cellTarget(const QString& name, int cell) {
    return &group(name)->playGrid().tiles[cell].renderWnd;
  }
  bool cellShowsStop(const QString& name, int cell) {
    return showsIcon(group(name)->playGrid().tiles[cell].playButton, "ic_stop_dark.png");
  }
  bool inPlayArea(QWidget* w) { return window_->centralGrid->indexOf(w) >= 0; }
  void flushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
};

TEST_F(GroupPlay, GroupClickStartsVideoOnlyWithMemberJInCellJ) {
  build({{"g", {"B", "A", "D"}}});
  // A single play runs: the group's click ends it (sound too).
  QTest::mouseClick(&camera("C")->pictureLabel, Qt::LeftButton);
  deliver();
  ASSERT_TRUE(camera("C")->get_isPlaying());

  const std::vector<Sent> s = clickGroup("g");
  EXPECT_EQ(only(s, {kVideoStart, kAudioStart}),
            (std::vector<Sent>{{"B", kVideoStart}, {"A", kVideoStart}}))
      << "video only, member order; D is offline";
  const auto firstStart = std::find(s.begin(), s.end(), Sent{"B", kVideoStart});
  EXPECT_EQ(only(std::vector<Sent>(firstStart, s.end()), {kVideoStop, kAudioStop}).size(), 0u)
      << "every stop comes before the first start";
  EXPECT_NE(std::find(s.begin(), s.end(), Sent{"C", kAudioStop}), s.end());
  EXPECT_FALSE(camera("C")->get_isPlaying());

  QuadWindowDevice* g = group("g");
  EXPECT_EQ(window_->playState, E_MAINWINDOW_QUADWINDOW_PLAYING);
  EXPECT_EQ(g->get_quadPlaying(), 1);
  EXPECT_TRUE(camera("B")->get_isPlaying());
  EXPECT_TRUE(camera("A")->get_isPlaying());
  EXPECT_FALSE(camera("D")->get_isPlaying());
  EXPECT_EQ(camera("B")->sdlRenderWnd, cellTarget("g", 0)) << "ids (B, A): B in the top-left cell";
  EXPECT_EQ(camera("A")->sdlRenderWnd, cellTarget("g", 1));
  EXPECT_EQ(camera("D")->sdlRenderWnd, cellTarget("g", 2));
  // Every member's play icon is reported, online or not.
  EXPECT_TRUE(cellShowsStop("g", 0));
  EXPECT_TRUE(cellShowsStop("g", 1));
  EXPECT_TRUE(cellShowsStop("g", 2));
  EXPECT_FALSE(cellShowsStop("g", 3)) << "no member in cell 3";
  EXPECT_TRUE(inPlayArea(&g->playGrid()));
  EXPECT_TRUE(g->playGrid().isVisibleTo(window_));
  EXPECT_TRUE(g->groupGifLabel.isVisibleTo(g));
  for (const QString& id : {QStringLiteral("A"), QStringLiteral("B")})
    EXPECT_EQ(camera(id)->get_quadGroupName(), "g");

  // The second click ends the group's playing.
  const std::vector<Sent> stop = clickGroup("g");
  EXPECT_TRUE(only(stop, {kVideoStart, kAudioStart}).empty());
  EXPECT_NE(std::find(stop.begin(), stop.end(), Sent{"B", kVideoStop}), stop.end());
  EXPECT_EQ(g->get_quadPlaying(), 0);
  EXPECT_FALSE(camera("B")->get_isPlaying());
  EXPECT_FALSE(cellShowsStop("g", 0));
  EXPECT_FALSE(g->groupGifLabel.isVisibleTo(g));
}

// A member that is not online when its group opens waits in its cell with
// its badge, and comes in (video only) with its first Online; a member
// stopped meanwhile from its cell's button, or a group closed meanwhile,
// asks nothing when the camera comes online.
TEST_F(GroupPlay, AnOfflineMemberWaitsInItsCellForOnline) {
  build({{"g", {"A", "D"}}});
  clickGroup("g");
  WholeRenderWindow& cell = group("g")->playGrid().tiles[1];
  EXPECT_TRUE(camera("D")->playWaiting());
  EXPECT_FALSE(cell.labLinkState.isHidden());
  EXPECT_EQ(cell.labLinkState.text(), camera("D")->stateLabel.text());
  size_t m = mark();
  online("D");
  EXPECT_EQ(only(sent(m), {kVideoStart, kAudioStart}), (std::vector<Sent>{{"D", kVideoStart}}));
  EXPECT_TRUE(camera("D")->get_isPlaying());
  EXPECT_EQ(camera("D")->sdlRenderWnd, cellTarget("g", 1));
  EXPECT_TRUE(cell.labLinkState.isHidden());

  // Away again and its cell's button pressed while it waits: it waits no more.
  report(camera("D"), E_CONN_STATUS_DISCONNECTED);
  clickCellPlay("g", 1);  // stops the play
  clickCellPlay("g", 1);  // asks again: it waits
  EXPECT_TRUE(camera("D")->playWaiting());
  EXPECT_TRUE(cellShowsStop("g", 1));
  clickCellPlay("g", 1);  // the stop of the waiting play
  EXPECT_FALSE(camera("D")->playWaiting());
  EXPECT_FALSE(cellShowsStop("g", 1));
  m = mark();
  online("D");
  EXPECT_TRUE(only(sent(m), {kVideoStart, kAudioStart}).empty());

  // Waiting when the group closes.
  report(camera("D"), E_CONN_STATUS_DISCONNECTED);
  clickGroup("g");  // closes
  clickGroup("g");  // opens: D waits
  ASSERT_TRUE(camera("D")->playWaiting());
  clickGroup("g");  // closes
  m = mark();
  online("D");
  EXPECT_TRUE(only(sent(m), {kVideoStart, kAudioStart}).empty());
}

TEST_F(GroupPlay, ASecondGroupTakesThePlayAreaFromTheFirst) {
  build({{"one", {"A"}}, {"two", {"B"}}});
  clickGroup("one");
  clickGroup("two");
  EXPECT_FALSE(inPlayArea(&group("one")->playGrid()));
  EXPECT_FALSE(group("one")->playGrid().isVisibleTo(window_));
  EXPECT_TRUE(inPlayArea(&group("two")->playGrid()));
  EXPECT_EQ(group("one")->get_quadPlaying(), 0);
  EXPECT_FALSE(camera("A")->get_isPlaying());
  EXPECT_TRUE(camera("B")->get_isPlaying());
  // A tile click ends the group's play.
  QTest::mouseClick(&camera("C")->pictureLabel, Qt::LeftButton);
  deliver();
  EXPECT_EQ(group("two")->get_quadPlaying(), 0);
  EXPECT_FALSE(camera("B")->get_isPlaying());
  EXPECT_FALSE(group("two")->playGrid().isVisibleTo(window_));
  EXPECT_TRUE(camera("C")->get_isPlaying());
}

// A cell's play button stops and starts that member within the group; an
// unbound cell ignores its button.
TEST_F(GroupPlay, CellButtonsActWithinTheGroup) {
  build({{"g", {"B", "A"}}});
  clickGroup("g");
  // Cameras shown for no other group stop (C, D); of the group only A.
  std::vector<Sent> s = clickCellPlay("g", 1);
  EXPECT_EQ(s, (std::vector<Sent>{
                   {"C", kVideoStop}, {"C", kAudioStop}, {"D", kVideoStop}, {"D", kAudioStop},
                   {"A", kVideoStop}}));
  EXPECT_FALSE(camera("A")->get_isPlaying());
  EXPECT_TRUE(camera("B")->get_isPlaying());
  EXPECT_FALSE(cellShowsStop("g", 1));
  s = clickCellPlay("g", 1);
  EXPECT_EQ(only(s, {kVideoStart, kAudioStart, kVideoStop}), (std::vector<Sent>{
                   {"C", kVideoStop}, {"D", kVideoStop}, {"A", kVideoStart}}));
  EXPECT_EQ(camera("A")->sdlRenderWnd, cellTarget("g", 1));
  EXPECT_TRUE(cellShowsStop("g", 1));
  EXPECT_TRUE(clickCellPlay("g", 3).empty());
}

// The group half of the icon table: a member's report sets its cell only.
TEST_F(GroupPlay, IconSlotSetsTheMembersCells) {
  build({{"g", {"B", "A"}}});
  QuadWindowDevice* g = group("g");
  const struct {
    int type;
    QPushButton WholeRenderWindow::*button;
    const char* on;
    const char* off;
  } rows[] = {
      {E_ICON_PLAY, &WholeRenderWindow::playButton, "ic_stop_dark.png", "ic_play_dark.png"},
      {E_ICON_SNAPSHOT, &WholeRenderWindow::snapshotButton, "ic_screenshots_light.png",
       "ic_screenshots_dark.png"},
      {E_ICON_SPEAKER, &WholeRenderWindow::audioButton, "ic_speaker_on_dark.png",
       "ic_speaker_off_dark.png"},
      {E_ICON_FULLSCREEN, &WholeRenderWindow::maxButton, "ic_small_screen_dark.png",
       "ic_full_screen_dark.png"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.type);
    QPushButton& a = g->playGrid().tiles[1].*r.button;
    QPushButton& b = g->playGrid().tiles[0].*r.button;
    const QPushButton& own = camera("A")->ownPlayView().*r.button;
    const QImage ownBefore = own.icon().pixmap(QSize(38, 38)).toImage();
    window_->quadWindow_playWindow_icon_change_Handler("g", "A", r.type, true);
    EXPECT_TRUE(showsIcon(a, r.on));
    window_->quadWindow_playWindow_icon_change_Handler("g", "A", r.type, false);
    EXPECT_TRUE(showsIcon(a, r.off));
    window_->quadWindow_playWindow_icon_change_Handler("g", "B", r.type, true);
    EXPECT_TRUE(showsIcon(b, r.on));
    EXPECT_TRUE(showsIcon(a, r.off)) << "another member's cell";
    window_->quadWindow_playWindow_icon_change_Handler("g", "B", r.type, false);
    EXPECT_TRUE(showsIcon(b, r.off));
    EXPECT_EQ(own.icon().pixmap(QSize(38, 38)).toImage(), ownBefore)
        << "the camera's own view is not the cell";
  }
  // Record shows what the camera does (nothing records here).
  window_->quadWindow_playWindow_icon_change_Handler("g", "A", E_ICON_RECORD, true);
  EXPECT_TRUE(showsIcon(g->playGrid().tiles[1].recordButton, "ic_record_dark.png"));
  EXPECT_FALSE(camera("A")->isRecording.load());

  window_->quadWindow_playWindow_icon_change_Handler("nope", "A", E_ICON_PLAY, true);
  EXPECT_EQ(log_->count("not find group:"), 1);
  window_->quadWindow_playWindow_icon_change_Handler("g", "C", E_ICON_PLAY, true);
  EXPECT_EQ(log_->count("not find deviceId:"), 1);
  window_->quadWindow_playWindow_icon_change_Handler("g", "A", 1, true);
  EXPECT_EQ(log_->count("icon type 1"), 1);
  window_->quadWindow_playWindow_icon_change_Handler("g", QString(), E_ICON_QUAD_MAXIMIZE, true);
  for (int j = 0; j < 4; ++j) EXPECT_FALSE(cellShowsStop("g", j)) << j;
}

TEST_F(GroupPlay, DeletingAPlayingGroupStopsItFirst) {
  build({{"g", {"B", "A"}}, {"h", {"C"}}});
  clickGroup("g");
  QPointer<QuadWindowDevice> g = group("g");
  QPointer<MainWindow_QuadWindow_playWindow> grid = g->playWindow.get();

  const std::vector<Sent> s = clickDelete("g");
  EXPECT_EQ(s, (std::vector<Sent>{{"B", kVideoStop}, {"A", kVideoStop}}));
  EXPECT_EQ(group("g"), nullptr);
  EXPECT_EQ(window_->quadWindowDevice_List.size(), 1);
  EXPECT_EQ(window_->quadListLayout->count(), 1);
  EXPECT_EQ(groupRows(), "h|C|||\n");
  EXPECT_FALSE(inPlayArea(grid));
  for (const QString& id : {QStringLiteral("A"), QStringLiteral("B")}) {
    EXPECT_EQ(camera(id)->get_quadGroupName(), "") << id.toStdString();
    EXPECT_EQ(camera(id)->sdlRenderWnd, nullptr) << id.toStdString();
    EXPECT_FALSE(camera(id)->get_isPlaying());
  }
  flushDeletes();
  EXPECT_TRUE(g.isNull()) << "the deleted group is freed";
  // Its cameras play on alone.
  QTest::mouseClick(&camera("B")->pictureLabel, Qt::LeftButton);
  deliver();
  EXPECT_TRUE(camera("B")->get_isPlaying());
}

// A camera in groups G1 and G2: its cell's buttons act on the group shown,
// and deleting the other group leaves it playing under its name.
TEST_F(GroupPlay, ACameraInTwoGroupsActsForTheGroupShown) {
  build({{"G1", {"A", "B"}}, {"G2", {"A", "C"}}});
  EXPECT_EQ(camera("A")->get_quadGroupName(), "G1");
  clickGroup("G1");
  clickGroup("G2");
  EXPECT_EQ(camera("A")->get_quadGroupName(), "G2") << "the group shown";
  EXPECT_EQ(camera("A")->sdlRenderWnd, cellTarget("G2", 0));

  // A's button in G2's grid stops A within G2: C (also G2) plays on.
  std::vector<Sent> s = clickCellPlay("G2", 0);
  EXPECT_EQ(only(s, {kVideoStop}).back(), (Sent{"A", kVideoStop}));
  EXPECT_TRUE(only(s, {kVideoStart}).empty());
  EXPECT_EQ(std::find(s.begin(), s.end(), Sent{"C", kVideoStop}), s.end());
  EXPECT_TRUE(camera("C")->get_isPlaying());
  EXPECT_FALSE(camera("A")->get_isPlaying());
  s = clickCellPlay("G2", 0);
  EXPECT_EQ(only(s, {kVideoStart}), (std::vector<Sent>{{"A", kVideoStart}}));

  // G1 (not playing) goes: A keeps G2's name, cell and play.
  s = clickDelete("G1");
  EXPECT_TRUE(s.empty());
  EXPECT_EQ(camera("A")->get_quadGroupName(), "G2");
  EXPECT_EQ(camera("A")->sdlRenderWnd, cellTarget("G2", 0));
  EXPECT_TRUE(camera("A")->get_isPlaying());
  EXPECT_EQ(camera("B")->get_quadGroupName(), "");
  flushDeletes();
  // The icon reports of A's cell still reach G2.
  window_->quadWindow_playWindow_icon_change_Handler("G2", "A", E_ICON_PLAY, false);
  EXPECT_FALSE(cellShowsStop("G2", 0));

  s = clickDelete("G2");
  EXPECT_EQ(s, (std::vector<Sent>{{"A", kVideoStop}, {"C", kVideoStop}}));
  EXPECT_EQ(camera("A")->get_quadGroupName(), "");
  EXPECT_EQ(groupRows(), "");
}

// The group creation dialog's "done": the new group joins the list (its
// members in selection order) and plays like a stored one.
TEST_F(GroupPlay, GroupMadeInTheDialogJoinsTheListAndPlays) {
  build({{"old", {"A"}}});
  bool ran = false;
  QTimer driver;
  QObject::connect(&driver, &QTimer::timeout, [&] {
    auto* d = qobject_cast<QuadWindowCreateWindow*>(QApplication::activeModalWidget());
    if (!d || ran) return;
    ran = true;
    QTest::keyClicks(&d->nameEdit, "old");
    QTest::mouseClick(&d->createButton, Qt::LeftButton);
    EXPECT_TRUE(d->isVisible()) << "a taken name is refused";
    d->nameEdit.clear();
    QTest::keyClicks(&d->nameEdit, "new 'one'");
    for (const char* id : {"C", "A"}) {
      MyLabel* picture = d->findChild<MyLabel*>(QLatin1String(id));
      ASSERT_NE(picture, nullptr) << id;
      QTest::mouseClick(picture, Qt::LeftButton);
    }
    QTest::mouseClick(&d->createButton, Qt::LeftButton);
  });
  driver.start(5);
  QTest::mouseClick(window_->createGroupButton, Qt::LeftButton);
  driver.stop();
  ASSERT_TRUE(ran);
  QuadWindowDevice* made = group("new 'one'");
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(window_->quadWindowDevice_List.last(), made);
  EXPECT_EQ(window_->quadListLayout->indexOf(made), 1);
  ASSERT_EQ(made->memberDevices.size(), 2);
  EXPECT_EQ(made->memberDevices[0], camera("C"));
  EXPECT_EQ(made->memberDevices[1], camera("A"));
  EXPECT_EQ(groupRows(), "old|A|||\nnew 'one'|C|A||\n");
  const std::vector<Sent> s = clickGroup("new 'one'");
  EXPECT_EQ(only(s, {kVideoStart, kAudioStart}),
            (std::vector<Sent>{{"C", kVideoStart}, {"A", kVideoStart}}));
}

}  // namespace
