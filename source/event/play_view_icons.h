// What the main window's two icon slots share: the record state a camera's
// record button shows, and the group-view half (a group's play window as
// MainWindow::quadWindow_playWindow_icon_change_Handler sees it, and the rule
// that applies a reported button state to it).
#pragma once

#include <QList>
#include <QString>

class MainWindow;
class QPushButton;
class QuadWindowDevice;
class WholeRenderWindow;
class oneWindowDevice;

// The record state to show for a report of `reported`: the camera's own.
// Its media session keeps isRecording true exactly while a record file is
// open, so a report that disagrees is stale (the end of an earlier run
// arriving after a new start) and is only logged: a report never clears
// the flag of an open file, which would leave the file unfinished.
bool record_icon_state(oneWindowDevice* camera, bool reported);

// One group's play window: member camera j is shown in cell j.
struct GroupPlayCells {
  QList<oneWindowDevice*> members;
  QList<WholeRenderWindow*> cells;
  QPushButton* maximizeButton = nullptr;  // the play window's maximise button
};

// The play window of the first group named `groupName`; false when no group
// has that name.
bool find_group_play_cells(const QList<QuadWindowDevice*>& groups, const QString& groupName,
                           GroupPlayCells* out);

// Applies a reported state (E_ICON_* 0-6) to a group's play window:
//   a device id that names no member: logged, nothing changes;
//   6: the maximise button's icon (38 x 38 design units);
//   0, 2-5: the icon of that member's cell (3 shows record_icon_state;
//     cells have no record badge);
//   1: only logged; anything else: nothing.
void apply_group_icon(const QString& groupName, const GroupPlayCells& group,
                      const QString& deviceId, int iconType, bool state);
