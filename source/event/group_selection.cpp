#include "event/group_selection.h"

GroupSelectionStep group_selection_toggle(QStringList& selected, const QString& deviceId) {
  if (selected.contains(deviceId)) {
    selected.removeAll(deviceId);
    return {GroupSelectionStep::Deselected, static_cast<int>(selected.size())};
  }
  if (selected.size() >= kGroupSelectionMax) {
    return {GroupSelectionStep::Refused, static_cast<int>(selected.size())};
  }
  selected.append(deviceId);
  return {GroupSelectionStep::Selected, static_cast<int>(selected.size())};
}

QString group_selection_title(int count) {
  return QStringLiteral("Create group  ") + QString::number(count) + QStringLiteral("/4");
}
