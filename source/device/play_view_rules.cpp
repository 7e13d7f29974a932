#include "device/play_view_rules.h"

#include "event/play_state.h"

namespace play_view {

std::optional<QualityStep> resolutionStep(int currentQuality) {
  if (currentQuality == kQualityHD) return QualityStep{kQualityFHD, QStringLiteral("FHD")};
  if (currentQuality == kQualityFHD) return QualityStep{kQualityHD, QStringLiteral("HD")};
  return std::nullopt;
}

IconRoute iconRoute(int playState) {
  if (playState == E_MAINWINDOW_ONEWINDOW_PLAYING) return IconRoute::Single;
  if (playState == E_MAINWINDOW_QUADWINDOW_PLAYING) return IconRoute::Group;
  return IconRoute::None;
}

SnapshotOutcome snapshotOutcome(bool requestStillPending, SnapshotState state) {
  if (requestStillPending) return SnapshotOutcome::Failed;  // no picture within the second
  switch (state) {
    case SnapshotState::Saved:
      return SnapshotOutcome::Saved;
    case SnapshotState::Pending:
      return SnapshotOutcome::StillSaving;
    case SnapshotState::Failed:
    case SnapshotState::None:
      break;
  }
  return SnapshotOutcome::Failed;
}

QString snapshotNotice(bool saved) {
  return saved ? QStringLiteral("Snapshot Success!") : QStringLiteral("Snapshot failed!");
}

QString recordStartFailedNotice() { return QStringLiteral("Record failed!"); }

QString recordStopNotice(bool finished) {
  return finished ? QStringLiteral("Record Success!") : QStringLiteral("Record failed!");
}

QString recordLinkLostNotice() { return QStringLiteral("Link lost! Record paused"); }

QString recordResumedNotice() { return QStringLiteral("Record resumed"); }

QString iconFile(int iconType, bool state) {
  struct Row {
    int type;
    const char* on;
    const char* off;
  };
  static const Row rows[] = {
      {E_ICON_PLAY, "ic_stop_dark.png", "ic_play_dark.png"},
      {E_ICON_SNAPSHOT, "ic_screenshots_light.png", "ic_screenshots_dark.png"},
      {E_ICON_RECORD, "ic_record_color.png", "ic_record_dark.png"},
      {E_ICON_SPEAKER, "ic_speaker_on_dark.png", "ic_speaker_off_dark.png"},
      {E_ICON_FULLSCREEN, "ic_small_screen_dark.png", "ic_full_screen_dark.png"},
      {E_ICON_QUAD_MAXIMIZE, "ic_small_screen_dark.png", "ic_full_screen_dark.png"},
  };
  for (const Row& r : rows) {
    if (r.type == iconType) return QString::fromLatin1(state ? r.on : r.off);
  }
  return QString();
}

}  // namespace play_view
