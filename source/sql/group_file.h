// group.dat: the user's camera groups in an SQLite file in the user's
// private folder, table "groups" (name and up to four device ids). Every
// operation opens the file, runs one statement with bound values and closes
// it; failures are logged and reported as false. A file above 16 MiB is
// not opened at all (util_class/stored_file_limits.h): every operation
// refuses it, so it is left as it is. These are the main window's
// operations of the same names.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// One group row as the group creation dialog fills it (empty places empty).
struct QuadWindowDevice_local_file_node {
  QString groupName;
  QString device_1;
  QString device_2;
  QString device_3;
  QString device_4;
};

// One stored group: its name and the four device ids in column order
// (empty ones included), ready for the group item.
struct StoredGroup {
  QString groupName;
  QStringList devices;
};

// userPrivateDir (ending with "/") + "group.dat".
QString groupFilePath(const QString& userPrivateDir);

bool device_groupInfodb_init(const QString& userPrivateDir);
bool device_groupInfodb_insert(const QString& userPrivateDir,
                               const QuadWindowDevice_local_file_node& node);
// Appends one entry per stored row, in the order SQLite returns them.
bool device_groupInfodb_read_groupInfo(const QString& userPrivateDir, QList<StoredGroup>& out);
bool device_groupInfodb_delete_byGroupName(const QString& userPrivateDir, const QString& groupName);
