// What the group creation dialog needs from the main window's lists: the
// cameras to offer, the names already taken, and adding the new group.
// The dialog decides; these three only read and change the main window.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

struct GroupCamera;
struct QuadWindowDevice_local_file_node;

// The cameras of oneWindowDevice_list, in list order.
QList<GroupCamera> groupCreateCameras();

// The names of the main window's groups.
QStringList groupCreateExistingNames();

// Adds a group made in the dialog: the group item (QuadWindowDevice from
// the row's name and `deviceIds`), its row in group.dat, the item at the
// end of quadWindowDevice_List, then quadWindow_devicelistUpdate.
void groupCreateAdd(QuadWindowDevice_local_file_node& row, QList<QString>& deviceIds);
