// The main window's side of group creation. Until the group item exists,
// the taken names are those stored in group.dat, and adding a group stores
// its row and announces it. With the group item: the names come from
// quadWindowDevice_List (get_groupName), and groupCreateAdd also makes the
// QuadWindowDevice (row.groupName, deviceIds) and appends it to
// quadWindowDevice_List before the signal.
#include "event/mainwindow_group_create.h"

#include <QDebug>

#include "device/OneWindowDevice.h"
#include "mainwindow.h"
#include "sql/group_file.h"
#include "view/QuadWindowCreateWindow.h"

QList<GroupCamera> groupCreateCameras() {
  QList<GroupCamera> cameras;
  if (!mainwindow) return cameras;
  for (const oneWindowDevice* camera : mainwindow->oneWindowDevice_list) {
    cameras.append({camera->deviceId, camera->deviceName});
  }
  return cameras;
}

QStringList groupCreateExistingNames() {
  QStringList names;
  if (!mainwindow) return names;
  QList<StoredGroup> stored;
  ::device_groupInfodb_read_groupInfo(mainwindow->userName_private_dir, stored);
  for (const StoredGroup& group : stored) names << group.groupName;
  return names;
}

void groupCreateAdd(QuadWindowDevice_local_file_node& row, QList<QString>& deviceIds) {
  if (!mainwindow) return;
  qDebug() << "group" << row.groupName << deviceIds;
  mainwindow->device_groupInfodb_insert(row);
  emit mainwindow->quadWindow_devicelistUpdate();
}
