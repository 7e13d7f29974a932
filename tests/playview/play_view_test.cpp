// A camera's own play view on the offscreen platform: the camera object on
// the fake device link (its requests recorded), the main window's icon
// slots, real timers. No pictures arrive here: snapshot and record without
// a stream must say they failed.
#include <gtest/gtest.h>

#include <QCursor>
#include <QResizeEvent>
#include <QTest>

#include <chrono>
#include <thread>

#include "adapter_hardWare/AdapterHardware.h"
#include "device/WholeRenderWindow.h"
#include "event/play_view_icons.h"
#include "fake_tessan.h"
#include "view/ptz_pad_geometry.h"
#include "camera_window.h"
#include "playview_support.h"

namespace {

using namespace playviewtest;

class PlayView : public ::testing::Test {
 protected:
  CameraWindow w;
  WholeRenderWindow& view = w.view();
  oneWindowDevice* camera = w.camera;

  bool showsIcon(const QPushButton& b, const char* picture) {
    return iconImage(b.icon()) == programIconImage(QString::fromLatin1(picture));
  }
};

TEST_F(PlayView, BadgeCountsTimerTicks) {
  const struct {
    int ticks;
    const char* text;
  } cases[] = {
      {59, "00:00:59"}, {60, "00:01:00"}, {3599, "00:59:59"}, {3600, "01:00:00"},
      {360000, "100:00:00"},
  };
  for (const auto& c : cases) {
    while (view.recordSeconds < c.ticks) view.update_labRecordTime_timer_Hanlder();
    EXPECT_EQ(view.labRecordTime.text(), QString::fromLatin1(c.text)) << c.ticks;
  }
}

TEST_F(PlayView, ResolutionButtonAsksForHdThenFhd) {
  ASSERT_TRUE(w.online());
  EXPECT_EQ(view.resolutionButton.text(), "FHD");
  view.resolutionButton.click();
  EXPECT_EQ(view.resolutionButton.text(), "HD");
  EXPECT_EQ(camera->get_videoQuality(), 1);
  view.resolutionButton.click();
  EXPECT_EQ(view.resolutionButton.text(), "FHD");
  EXPECT_EQ(camera->get_videoQuality(), 5);
  EXPECT_EQ(w.qualityRequests(), (std::vector<int>{1, 5}));
  for (const fake_tessan::Call& c : fake_tessan::calls("APP_send")) {
    if (c.msgType != 270) continue;
    EXPECT_EQ(c.sn, "CAM1");
    EXPECT_EQ(c.payload, (fake_tessan::Bytes{uint8_t(c.payload[0]), 0, 0, 0}));
  }
  // A stored quality that is neither: nothing is sent, the text stays.
  camera->set_videoQuality(3);
  view.resolutionButton.click();
  EXPECT_EQ(view.resolutionButton.text(), "FHD");
  EXPECT_EQ(w.qualityRequests().size(), 2u);
}

TEST_F(PlayView, SpeakerGoesOffOnTheFirstPress) {
  EXPECT_TRUE(view.audioOn);
  EXPECT_TRUE(camera->audioPlayThread.speaker.load());
  view.audioButton.click();
  EXPECT_FALSE(view.audioOn);
  EXPECT_FALSE(camera->audioPlayThread.speaker.load());
  EXPECT_TRUE(showsIcon(view.audioButton, "ic_speaker_off_dark.png"));
  view.audioButton.click();
  EXPECT_TRUE(view.audioOn);
  EXPECT_TRUE(camera->audioPlayThread.speaker.load());
  EXPECT_TRUE(showsIcon(view.audioButton, "ic_speaker_on_dark.png"));
}

TEST_F(PlayView, EscapeLeavesFullScreen) {
  QWidget playArea;  // where the main window keeps the view
  view.setParent(&playArea);
  playArea.show();
  ASSERT_FALSE(view.isWindow());
  view.maxButton.click();
  EXPECT_TRUE(view.fullScreen);
  EXPECT_TRUE(view.isWindow()) << "full screen detaches the view";
  EXPECT_TRUE(view.windowFlags() & Qt::Dialog);
  EXPECT_EQ(view.palette().color(QPalette::Window), QColor(Qt::white));
  EXPECT_TRUE(showsIcon(view.maxButton, "ic_small_screen_dark.png"));
  QTest::keyClick(&view, Qt::Key_Escape);
  EXPECT_FALSE(view.fullScreen);
  EXPECT_FALSE(view.isWindow()) << "back into its parent";
  EXPECT_EQ(view.parentWidget(), &playArea);
  EXPECT_TRUE(showsIcon(view.maxButton, "ic_full_screen_dark.png"));
  // Not in full screen, Escape changes nothing.
  QTest::keyClick(&view, Qt::Key_Escape);
  EXPECT_FALSE(view.fullScreen);
  EXPECT_FALSE(view.isWindow());
  view.setParent(nullptr);
}

// Keys never reach the base class: a key the view does not use is not
// passed on to its parent either.
TEST_F(PlayView, KeysStopAtTheView) {
  struct Parent : QWidget {
    int keys = 0;
    void keyPressEvent(QKeyEvent*) override { ++keys; }
  } parent;
  view.setParent(&parent);
  parent.show();
  QTest::keyClick(&view, Qt::Key_A);
  QTest::keyClick(&view, Qt::Key_Escape);
  EXPECT_EQ(parent.keys, 0);
  view.setParent(nullptr);
}

TEST_F(PlayView, GroupCellKeepsPlayAndResolutionOnly) {
  view.remove_extra_buttons();
  std::vector<QWidget*> inBar;
  for (int i = 0; i < view.buttonLayout.count(); ++i) {
    if (QWidget* b = view.buttonLayout.itemAt(i)->widget()) inBar.push_back(b);
  }
  EXPECT_EQ(inBar, (std::vector<QWidget*>{&view.playButton, &view.resolutionButton}));
  view.show();
  EXPECT_TRUE(view.playButton.isVisible());
  EXPECT_TRUE(view.resolutionButton.isVisible());
  for (QPushButton* b : {&view.snapshotButton, &view.recordButton, &view.audioButton, &view.maxButton}) {
    EXPECT_FALSE(b->isVisible());
    b->click();  // disconnected: nothing happens
  }
  EXPECT_FALSE(view.snapshotTimer.isActive());
  EXPECT_FALSE(camera->snapshotRequest.load());
  EXPECT_FALSE(camera->isRecording.load());
  EXPECT_TRUE(view.audioOn);
  EXPECT_FALSE(view.fullScreen);
  pumpFor(1200);
  EXPECT_TRUE(toastTexts().empty());
  EXPECT_TRUE(view.labRecordTime.isHidden());
}

TEST_F(PlayView, PlayWaitsForAnOfflineCameraAndAStopEndsTheWait) {
  view.playButton.click();
  EXPECT_FALSE(camera->get_isPlaying()) << "offline: nothing plays yet";
  EXPECT_TRUE(camera->playWaiting());
  EXPECT_TRUE(fake_tessan::calls("APP_send").empty());
  EXPECT_TRUE(showsIcon(view.playButton, "ic_stop_dark.png"));
  EXPECT_FALSE(view.labLinkState.isHidden()) << "the view shows the camera's badge";
  EXPECT_EQ(view.labLinkState.text(), "offline");
  view.playButton.click();  // the stop of the waiting play
  EXPECT_FALSE(camera->playWaiting());
  EXPECT_TRUE(view.labLinkState.isHidden());
  EXPECT_TRUE(showsIcon(view.playButton, "ic_play_dark.png"));
  const size_t stops = fake_tessan::calls("APP_send").size();
  ASSERT_TRUE(w.online());
  EXPECT_FALSE(camera->get_isPlaying());
  EXPECT_EQ(fake_tessan::calls("APP_send").size(), stops) << "a stopped wait starts nothing";
}

TEST_F(PlayView, PlayStartsOnceTheCameraIsOnline) {
  view.playButton.click();
  ASSERT_TRUE(camera->playWaiting());
  EXPECT_TRUE(fake_tessan::calls("APP_send").empty());
  ASSERT_TRUE(w.online());  // the waiting play starts: one video start, then the sound
  EXPECT_TRUE(camera->get_isPlaying());
  EXPECT_TRUE(view.labLinkState.isHidden());
  EXPECT_TRUE(showsIcon(view.playButton, "ic_stop_dark.png"));
  std::vector<int> sent;
  for (const fake_tessan::Call& c : fake_tessan::calls("APP_send")) sent.push_back(c.msgType);
  EXPECT_EQ(sent, (std::vector<int>{256, 260}));

  // Playing: the press only asks for the thumbnail; with no picture coming
  // the camera is stopped all the same after a while.
  view.playButton.click();
  EXPECT_TRUE(camera->thumbnailRequest[0].load());
  EXPECT_TRUE(camera->get_isPlaying());
  ASSERT_TRUE(pumpUntil([&] { return !camera->get_isPlaying(); }, 60000));
  EXPECT_TRUE(showsIcon(view.playButton, "ic_play_dark.png"));
}

TEST_F(PlayView, SnapshotWithoutAPictureSaysItFailed) {
  ASSERT_TRUE(w.online());
  view.snapshotButton.click();
  EXPECT_TRUE(camera->snapshotRequest.load());
  EXPECT_TRUE(showsIcon(view.snapshotButton, "ic_screenshots_light.png"));
  ASSERT_TRUE(view.snapshotTimer.isActive());
  EXPECT_EQ(view.snapshotTimer.interval(), 1000);
  // Again once the first second has run out on the clock but not in the
  // event loop (which does not run in between): the press starts the
  // second over, so the first one's end, overdue by now, never comes.
  std::this_thread::sleep_for(std::chrono::milliseconds(1200));
  view.snapshotButton.click();
  ASSERT_TRUE(view.snapshotTimer.isActive());
  for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();  // an overdue timer fires here
  EXPECT_TRUE(toastTexts().empty()) << "the second press did not start the second over";
  EXPECT_TRUE(view.snapshotTimer.isActive());
  ASSERT_TRUE(pumpUntil([] { return !toastTexts().empty(); }, 60000));
  EXPECT_EQ(toastTexts(), (std::vector<QString>{"Snapshot failed!"}));
  EXPECT_FALSE(camera->snapshotRequest.load()) << "the request is withdrawn";
  EXPECT_TRUE(showsIcon(view.snapshotButton, "ic_screenshots_dark.png"));
  EXPECT_FALSE(view.snapshotTimer.isActive()) << "one end for the two presses";
  pumpFor(300);
  EXPECT_EQ(toastTexts().size(), 1u) << "one toast for the two presses";
}

TEST_F(PlayView, RecordWithoutAStreamSaysItFailed) {
  ASSERT_TRUE(w.online());
  view.recordButton.click();
  EXPECT_FALSE(camera->isRecording.load());
  EXPECT_EQ(camera->mp4Writer, nullptr);
  EXPECT_TRUE(view.labRecordTime.isHidden());
  EXPECT_FALSE(view.recordTimeTimer.isActive());
  EXPECT_TRUE(showsIcon(view.recordButton, "ic_record_dark.png"));
  ASSERT_TRUE(pumpUntil([] { return !toastTexts().empty(); }, 60000));
  EXPECT_EQ(toastTexts(), (std::vector<QString>{"Record failed!"}));
}

// The single-view icon slot, row by row (the record row follows the camera,
// below); unknown cameras and types outside 0-5 change nothing.
TEST_F(PlayView, IconSlotSetsTheCamerasOwnButtons) {
  const struct {
    int type;
    QPushButton* button;
    const char* on;
    const char* off;
  } rows[] = {
      {E_ICON_PLAY, &view.playButton, "ic_stop_dark.png", "ic_play_dark.png"},
      {E_ICON_SNAPSHOT, &view.snapshotButton, "ic_screenshots_light.png", "ic_screenshots_dark.png"},
      {E_ICON_SPEAKER, &view.audioButton, "ic_speaker_on_dark.png", "ic_speaker_off_dark.png"},
      {E_ICON_FULLSCREEN, &view.maxButton, "ic_small_screen_dark.png", "ic_full_screen_dark.png"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.type);
    w.window->oneWindow_playWindow_icon_change_Handler("CAM1", r.type, true);
    EXPECT_TRUE(showsIcon(*r.button, r.on));
    w.window->oneWindow_playWindow_icon_change_Handler("OTHER", r.type, false);
    EXPECT_TRUE(showsIcon(*r.button, r.on)) << "another camera's report";
    w.window->oneWindow_playWindow_icon_change_Handler("CAM1", r.type, false);
    EXPECT_TRUE(showsIcon(*r.button, r.off));
  }
  for (int type : {1, 6, 7}) {
    w.window->oneWindow_playWindow_icon_change_Handler("CAM1", type, true);
    EXPECT_TRUE(showsIcon(view.maxButton, "ic_full_screen_dark.png")) << type;
  }
}

// Record state through the icon slot (as the camera reports the end of a
// recording): the badge and the icon show what the camera really does, and
// a hidden badge stops counting and starts from 0 again.
TEST_F(PlayView, RecordIconShowsWhatTheCameraDoes) {
  w.window->oneWindow_playWindow_icon_change_Handler("CAM1", E_ICON_RECORD, true);
  EXPECT_FALSE(camera->isRecording.load()) << "a report opens no file";
  EXPECT_TRUE(view.labRecordTime.isHidden());
  EXPECT_TRUE(showsIcon(view.recordButton, "ic_record_dark.png"));

  view.labRecordTime.show();  // as a running recording left it
  view.recordTimeTimer.start(1000);
  for (int i = 0; i < 75; ++i) view.update_labRecordTime_timer_Hanlder();
  EXPECT_EQ(view.labRecordTime.text(), "00:01:15");
  w.window->device_change_record_picture_state_Handler("CAM1", false);
  EXPECT_TRUE(view.labRecordTime.isHidden());
  EXPECT_EQ(view.labRecordTime.text(), "00:00:00");
  EXPECT_EQ(view.recordSeconds, 0);
  EXPECT_FALSE(view.recordTimeTimer.isActive()) << "a hidden badge must not keep counting";
}

// A group's play window: member j in cell j; reports for a member change
// its cell only, type 6 the maximise button.
TEST_F(PlayView, GroupIconsGoToTheMembersCell) {
  oneWindowDevice second(QStringLiteral("CAM2"), QStringLiteral("Yard"), 1);
  WholeRenderWindow cells[4];
  QPushButton maximize;
  GroupPlayCells group;
  group.members = {&second, camera};
  for (WholeRenderWindow& c : cells) group.cells.append(&c);
  group.maximizeButton = &maximize;

  apply_group_icon("G", group, "CAM1", E_ICON_PLAY, true);
  EXPECT_TRUE(showsIcon(cells[1].playButton, "ic_stop_dark.png"));
  EXPECT_TRUE(showsIcon(cells[0].playButton, "ic_play_dark.png"));
  EXPECT_TRUE(showsIcon(view.playButton, "ic_play_dark.png")) << "the camera's own view stays";

  apply_group_icon("G", group, "CAM2", E_ICON_SPEAKER, false);
  EXPECT_TRUE(showsIcon(cells[0].audioButton, "ic_speaker_off_dark.png"));
  EXPECT_TRUE(showsIcon(cells[1].audioButton, "ic_speaker_on_dark.png"));
  apply_group_icon("G", group, "CAM2", E_ICON_RECORD, true);  // CAM2 records nothing
  EXPECT_FALSE(second.isRecording.load());
  EXPECT_TRUE(showsIcon(cells[0].recordButton, "ic_record_dark.png"));
  EXPECT_TRUE(cells[0].labRecordTime.isHidden()) << "cells have no badge";

  apply_group_icon("G", group, "NOPE", E_ICON_PLAY, true);  // no member: nothing
  EXPECT_TRUE(showsIcon(cells[0].playButton, "ic_play_dark.png"));
  EXPECT_TRUE(showsIcon(cells[2].playButton, "ic_play_dark.png"));
  EXPECT_TRUE(showsIcon(cells[3].playButton, "ic_play_dark.png"));

  apply_group_icon("G", group, QString(), E_ICON_QUAD_MAXIMIZE, true);
  EXPECT_TRUE(showsIcon(maximize, "ic_small_screen_dark.png"));
  EXPECT_EQ(maximize.iconSize(), QSize(adapterHardware.sx(38), adapterHardware.sy(38)));
  apply_group_icon("G", group, QString(), E_ICON_QUAD_MAXIMIZE, false);
  EXPECT_TRUE(showsIcon(maximize, "ic_full_screen_dark.png"));
}

TEST_F(PlayView, GroupSlotWithoutGroupsChangesNothing) {
  w.window->quadWindow_playWindow_icon_change_Handler("G", "CAM1", E_ICON_PLAY, true);
  EXPECT_TRUE(showsIcon(view.playButton, "ic_play_dark.png"));
}

}  // namespace

// The pad over the video of a PTZ camera: the render widget shows it on the
// button bar when the mouse enters, leaves it while the cursor is still
// over the video (the pad is a window of its own), and hides it with one
// stop when the mouse really left.
class PtzOverVideo : public PlayView {
 protected:
  // The view stays hidden: the offscreen platform would turn every cursor
  // move over a shown window into enter and leave events of its own. The
  // events are sent by hand instead; the cursor is kept off the pad.
  void SetUp() override {
    ASSERT_TRUE(w.online());
    resizeView(1280, 800);
    view.renderWnd.set_ptzWindow_exist(true);
    view.renderWnd.m_pDevice = camera;
  }
  void resizeView(int width, int height) {
    const QSize old = view.size();
    view.resize(width, height);
    QResizeEvent e(view.size(), old);
    QCoreApplication::sendEvent(&view, &e);
  }
  void cursorAt(int x, int y) {
    const QPoint at = view.mapToGlobal(QPoint(x, y));
    ASSERT_FALSE(pad.geometry().contains(at));
    QCursor::setPos(at);
    ASSERT_EQ(QCursor::pos(), at) << "the platform keeps no cursor";
  }
  void enter() {
    QEvent e(QEvent::Enter);
    QCoreApplication::sendEvent(&view.renderWnd, &e);
  }
  void leave(QWidget* from) {
    QEvent e(QEvent::Leave);
    QCoreApplication::sendEvent(from, &e);
  }
  QPoint expectedPadPosition() {
    return ptzPadPosition(QRect(view.mapToGlobal(QPoint(0, 0)), view.size()), view.barHeight,
                          view.ptzWindow.height());
  }
  PTZcontrolWindow& pad = view.ptzWindow;
};

TEST_F(PtzOverVideo, ShownOnEnterKeptOverTheVideoHiddenWithAStopOutside) {
  cursorAt(400, 300);
  enter();
  EXPECT_TRUE(pad.isVisible());
  EXPECT_EQ(pad.pos(), expectedPadPosition());
  leave(&view.renderWnd);  // onto the pad: still over the video
  EXPECT_TRUE(pad.isVisible());
  cursorAt(400, view.height() - 1);  // the button bar
  leave(&view.renderWnd);
  EXPECT_FALSE(pad.isVisible());
  EXPECT_EQ(w.ptzRequests(), (std::vector<std::pair<int, int>>{{0, 1}}));
}

TEST_F(PtzOverVideo, LeavingThePadAsksTheVideo) {
  cursorAt(400, 300);
  enter();
  leave(&pad);  // the cursor is over the video: the pad stays
  EXPECT_TRUE(pad.isVisible());
  cursorAt(-50, 300);
  leave(&pad);
  EXPECT_FALSE(pad.isVisible());
  EXPECT_EQ(w.ptzRequests(), (std::vector<std::pair<int, int>>{{0, 1}}));
}

TEST_F(PtzOverVideo, NoPadOverGroupCellsOrCamerasWithoutAHead) {
  const struct {
    const char* what;
    int playState;
    bool ptz;
    bool bound;
  } cases[] = {
      {"group view", E_MAINWINDOW_QUADWINDOW_PLAYING, true, true},
      {"nothing playing", E_MAINWINDOW_NOT_PLAYING, true, true},
      {"no PTZ head", E_MAINWINDOW_ONEWINDOW_PLAYING, false, true},
      {"no camera bound", E_MAINWINDOW_ONEWINDOW_PLAYING, true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    w.window->playState = c.playState;
    view.renderWnd.set_ptzWindow_exist(c.ptz);
    view.renderWnd.m_pDevice = c.bound ? camera : nullptr;
    cursorAt(400, 300);
    enter();
    EXPECT_FALSE(pad.isVisible());
    pad.move(expectedPadPosition());
    pad.show();  // shown by someone else: leaving changes nothing either
    cursorAt(-50, -50);
    leave(&view.renderWnd);
    leave(&pad);
    EXPECT_TRUE(pad.isVisible());
    pad.hide();
  }
  EXPECT_TRUE(w.ptzRequests().empty());
}

TEST_F(PtzOverVideo, ResizePlacesThePadAgain) {
  cursorAt(400, 300);
  enter();
  resizeView(960, 600);
  EXPECT_TRUE(pad.isVisible());
  EXPECT_EQ(pad.pos(), expectedPadPosition());
  cursorAt(2000, 300);
  resizeView(1280, 800);
  EXPECT_FALSE(pad.isVisible()) << "the cursor is no longer over the video";
  EXPECT_EQ(w.ptzRequests(), (std::vector<std::pair<int, int>>{{0, 1}}));
}

// A key held while the mouse leaves the video: the move stops once, and
// neither the key's timer nor its release sends anything afterwards.
TEST_F(PtzOverVideo, LeavingWhileAKeyIsHeldStopsForGood) {
  const struct {
    const char* when;
    int leaveAfterMs;
    std::vector<std::pair<int, int>> sent;
  } cases[] = {
      {"before the timer", 100, {{0, 1}}},
      {"while moving", 700, {{1, 1}, {0, 1}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.when);
    fake_tessan::reset();
    ASSERT_TRUE(w.online());
    cursorAt(400, 300);
    enter();
    PadClock clock(pad);  // the key's timer on the test's clock
    clock.press(pad.upButton);
    clock.advanceTo(c.leaveAfterMs);
    cursorAt(-50, 300);
    clock.act([&] { leave(&view.renderWnd); });
    EXPECT_FALSE(pad.isVisible());
    clock.advanceTo(c.leaveAfterMs + 600);
    clock.release(pad.upButton);
    clock.advanceTo(c.leaveAfterMs + 5000);
    EXPECT_TRUE(clock.idle());
    EXPECT_EQ(w.ptzRequests(), c.sent);
  }
}
