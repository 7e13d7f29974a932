#include "event/group_creation.h"

#include "sql/user_files.h"

bool groupNameTaken(const QString& name, const QStringList& existingNames) {
  return existingNames.contains(name, Qt::CaseSensitive);
}

QString groupNameTakenNotice(const QString& name) {
  return QStringLiteral("A group named \"%1\" exists already. Please choose another name.")
      .arg(name);
}

QuadWindowDevice_local_file_node groupRow(const QString& name, const QStringList& selectedIds) {
  QuadWindowDevice_local_file_node row;
  row.groupName = name;
  QString* places[] = {&row.device_1, &row.device_2, &row.device_3, &row.device_4};
  for (int i = 0; i < 4 && i < selectedIds.size(); ++i) *places[i] = selectedIds[i];
  return row;
}

QString groupCreateButtonStyle(bool nameGiven) {
  return nameGiven ? QStringLiteral("background-color:#68BF39;color:#FFFFFF;border:none")
                   : QStringLiteral("QPushButton{color:#FFFFFF;background-color:#95A5AD;border:none;}");
}

QString groupCellPicturePath(const QString& userPrivateDir, const QString& name,
                             const QString& deviceId, const QString& defaultPicture) {
  const QString stored = device_picture_find(userPrivateDir, name, deviceId);
  return stored.isEmpty() ? defaultPicture : stored;
}
