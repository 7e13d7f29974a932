// The play view's choices and the PTZ pad's placing, without a window.
#include <gtest/gtest.h>

#include "device/play_view_rules.h"
#include "event/play_state.h"
#include "view/ptz_pad_geometry.h"

namespace {

using namespace play_view;

TEST(PlayViewRules, ResolutionButtonTogglesBetweenHdAndFhdOnly) {
  const struct {
    int stored;
    bool changes;
    int request;
    const char* text;
  } cases[] = {
      {5, true, 1, "HD"},   // the camera starts at FHD: the first press asks for HD
      {1, true, 5, "FHD"},
      {3, false, 0, ""},    // an unexpected stored quality leaves the button alone
      {0, false, 0, ""},
      {-1, false, 0, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stored);
    const auto step = resolutionStep(c.stored);
    ASSERT_EQ(step.has_value(), c.changes);
    if (!step) continue;
    EXPECT_EQ(step->quality, c.request);
    EXPECT_EQ(step->text, QString::fromLatin1(c.text));
  }
}

TEST(PlayViewRules, ReportsGoToTheSlotOfThePlayMode) {
  EXPECT_EQ(iconRoute(E_MAINWINDOW_NOT_PLAYING), IconRoute::None);
  EXPECT_EQ(iconRoute(E_MAINWINDOW_ONEWINDOW_PLAYING), IconRoute::Single);
  EXPECT_EQ(iconRoute(E_MAINWINDOW_QUADWINDOW_PLAYING), IconRoute::Group);
  EXPECT_EQ(iconRoute(3), IconRoute::None);
  EXPECT_EQ(iconRoute(-1), IconRoute::None);
}

TEST(PlayViewRules, SnapshotNoticeTellsWhatHappened) {
  const struct {
    bool stillPending;
    SnapshotState state;
    SnapshotOutcome outcome;
  } cases[] = {
      // No picture took the request within the second: nothing was saved,
      // whatever an earlier snapshot left in the state.
      {true, SnapshotState::Pending, SnapshotOutcome::Failed},
      {true, SnapshotState::Saved, SnapshotOutcome::Failed},
      {false, SnapshotState::Saved, SnapshotOutcome::Saved},
      {false, SnapshotState::Failed, SnapshotOutcome::Failed},
      {false, SnapshotState::Pending, SnapshotOutcome::StillSaving},  // JPEG being written
      {false, SnapshotState::None, SnapshotOutcome::Failed},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(int(c.state) * 2 + c.stillPending);
    EXPECT_EQ(snapshotOutcome(c.stillPending, c.state), c.outcome);
  }
  EXPECT_EQ(snapshotNotice(true), "Snapshot Success!");
  EXPECT_EQ(snapshotNotice(false), "Snapshot failed!");
  EXPECT_EQ(recordStopNotice(true), "Record Success!");
  EXPECT_EQ(recordStopNotice(false), "Record failed!");
  EXPECT_EQ(recordStartFailedNotice(), "Record failed!");
}

TEST(PlayViewRules, IconTable) {
  const struct {
    int type;
    const char* on;
    const char* off;
  } rows[] = {
      {0, "ic_stop_dark.png", "ic_play_dark.png"},
      {1, "", ""},
      {2, "ic_screenshots_light.png", "ic_screenshots_dark.png"},
      {3, "ic_record_color.png", "ic_record_dark.png"},
      {4, "ic_speaker_on_dark.png", "ic_speaker_off_dark.png"},
      {5, "ic_small_screen_dark.png", "ic_full_screen_dark.png"},
      {6, "ic_small_screen_dark.png", "ic_full_screen_dark.png"},
      {7, "", ""},
      {-1, "", ""},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.type);
    EXPECT_EQ(iconFile(r.type, true), QString::fromLatin1(r.on));
    EXPECT_EQ(iconFile(r.type, false), QString::fromLatin1(r.off));
  }
}

TEST(PtzPadGeometry, PadSitsOnTheButtonBarAgainstTheLeftEdge) {
  // A view of 1280 x 800 at (100, 50), bar 40 high, pad 120 high.
  EXPECT_EQ(ptzPadPosition(QRect(100, 50, 1280, 800), 40, 120), QPoint(100, 50 + 800 - 40 - 120));
  EXPECT_EQ(ptzPadPosition(QRect(0, 0, 640, 360), 0, 0), QPoint(0, 360));
}

TEST(PtzPadGeometry, LeavingIntoTheBottomBandCountsAsLeaving) {
  const QRect view(100, 50, 1280, 800);  // x 100..1379, y 50..849
  const int bar = 40;                    // band: y from 850 - 80 = 770 on
  const struct {
    QPoint cursor;
    bool over;
  } cases[] = {
      {{100, 50}, true},     // top-left corner is inside
      {{1379, 769}, true},   // last pixel above the band
      {{1380, 400}, false},  // right edge is outside
      {{99, 400}, false},
      {{500, 49}, false},    // above the view
      {{500, 770}, false},   // first line of the band
      {{500, 900}, false},   // below the view
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.cursor.x() << "," << c.cursor.y());
    EXPECT_EQ(cursorStillOverVideo(c.cursor, view, bar), c.over);
  }
}

}  // namespace
