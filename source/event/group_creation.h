// The group creation dialog's decisions: which names it refuses, the
// group.dat row a new group gets, the create button's look, and the
// picture of a camera's cell.
#pragma once

#include <QString>
#include <QStringList>

#include "sql/group_file.h"

// A camera as the dialog lists it.
struct GroupCamera {
  QString deviceId;
  QString deviceName;
};

// A new group needs a name that no existing group has. Names compare
// exactly (case and surrounding blanks count), so "Door", "door" and
// " Door" are three names.
bool groupNameTaken(const QString& name, const QStringList& existingNames);
// What the user is told when "done" meets a taken name.
QString groupNameTakenNotice(const QString& name);

// The row of a new group: its name and the selected device ids in the
// order of selection, empty for the places a group of fewer than four
// leaves free. Ids beyond the fourth are not stored.
QuadWindowDevice_local_file_node groupRow(const QString& name, const QStringList& selectedIds);

// The create button: green while a name is given, grey otherwise.
QString groupCreateButtonStyle(bool nameGiven);

// A camera cell's picture: the camera's stored picture in the user's
// private folder (found by its name, falling back to its device id), else
// `defaultPicture` (the image folder's ic_device_default.png).
QString groupCellPicturePath(const QString& userPrivateDir, const QString& name,
                             const QString& deviceId, const QString& defaultPicture);
