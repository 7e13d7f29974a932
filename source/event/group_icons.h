// The group-view half of the play-view icons: a group's play window as its
// icon slot (MainWindow::quadWindow_playWindow_icon_change_Handler) sees it,
// and the rule that applies a reported button state to it.
#pragma once

#include <QList>
#include <QString>

class MainWindow;
class QPushButton;
class QuadWindowDevice;
class WholeRenderWindow;
class oneWindowDevice;

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
//   0, 2-5: the icon of that member's cell (3 also sets the camera's
//     isRecording; cells have no record badge);
//   1: only logged; anything else: nothing.
void apply_group_icon(const QString& groupName, const GroupPlayCells& group,
                      const QString& deviceId, int iconType, bool state);
