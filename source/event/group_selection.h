// The camera selection of the group creation dialog: at most four cameras,
// a click on a camera toggles it, and the dialog's title shows the count.
#pragma once

#include <QString>
#include <QStringList>

struct GroupSelectionStep {
  enum Result { Selected, Deselected, Refused } result;
  int count;  // number of selected cameras after the click
};

inline constexpr int kGroupSelectionMax = 4;

// A click on `deviceId`: a selected camera is removed (every occurrence);
// another is added unless four are selected already.
GroupSelectionStep group_selection_toggle(QStringList& selected, const QString& deviceId);

// "Create group  <count>/4".
QString group_selection_title(int count);
