#include "device/group_members.h"

QList<int> groupMemberIndexes(const QStringList& groupIds, const QStringList& cameraIds) {
  QList<int> members;
  for (const QString& id : groupIds) {
    if (id.isEmpty()) continue;  // a free place of the stored row
    for (int i = 0; i < cameraIds.size(); ++i) {
      if (members.size() == kGroupMaxMembers) return members;
      if (cameraIds[i] == id) members << i;
    }
  }
  return members;
}

QString groupNameAfterLeaving(const QString& current, const QString& leaving) {
  return current == leaving ? QString() : current;
}

QString groupNameOnJoining(const QString& current, const QString& joining) {
  return current.isEmpty() ? joining : current;
}
