// The play view's choices, without any widget: the next picture quality of
// the HD/FHD button, where a button's state is reported, what the snapshot
// and record notices say, and the icon each button shows.
#pragma once

#include <QString>

#include <optional>

#include "device/snapshot_state.h"

namespace play_view {

// The camera's picture qualities (videoQuality, request 270).
inline constexpr int kQualityHD = 1;
inline constexpr int kQualityFHD = 5;

// One press of the HD/FHD button: the quality to request and keep, and the
// button's new text (the quality now requested). From HD to FHD and back;
// any other stored quality changes nothing.
struct QualityStep {
  int quality;
  QString text;
};
std::optional<QualityStep> resolutionStep(int currentQuality);

// Where a button's state goes, by the main window's playState.
enum class IconRoute { None, Single, Group };
IconRoute iconRoute(int playState);

// A snapshot when its second is over. `requestStillPending`: no picture
// took the request (the view withdraws it); otherwise the session's state
// says whether the file was written or is still being written.
enum class SnapshotOutcome { Saved, Failed, StillSaving };
SnapshotOutcome snapshotOutcome(bool requestStillPending, SnapshotState state);

// The notices: the real result, never a success that did not happen.
QString snapshotNotice(bool saved);       // "Snapshot Success!" / "Snapshot failed!"
QString recordStartFailedNotice();        // "Record failed!"
QString recordStopNotice(bool finished);  // "Record Success!" / "Record failed!"
// The camera's link was lost under a recording: its file ends there, and a
// new one begins when the link comes back under the same play.
QString recordLinkLostNotice();  // "Link lost! Record paused"
QString recordResumedNotice();   // "Record resumed"

// The picture file of the button for `iconType` (E_ICON_* 0-6) in `state`;
// empty for a type that changes no icon (1, and anything outside 0-6).
QString iconFile(int iconType, bool state);

}  // namespace play_view
