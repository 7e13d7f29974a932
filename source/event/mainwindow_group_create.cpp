// The main window's side of group creation: the cameras the dialog offers,
// the names already taken (those of the main window's groups), and adding
// a new group (its item, its row in group.dat, the list and the signal).
#include "event/mainwindow_group_create.h"

#include <QDebug>

#include "device/OneWindowDevice.h"
#include "device/QuadWindowDevice.h"
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
  for (QuadWindowDevice* group : mainwindow->quadWindowDevice_List) names << group->get_groupName();
  return names;
}

void groupCreateAdd(QuadWindowDevice_local_file_node& row, QList<QString>& deviceIds) {
  if (!mainwindow) return;
  qDebug() << "group" << row.groupName << deviceIds;
  auto* group = new QuadWindowDevice(row.groupName, deviceIds);
  mainwindow->device_groupInfodb_insert(row);
  mainwindow->quadWindowDevice_List.append(group);
  emit mainwindow->quadWindow_devicelistUpdate();
}
