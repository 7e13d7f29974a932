// MainWindow as the Shell of the rest of the program (event/shell.h): the
// reads, the play area (event/play_area.h, also behind the window's play and
// icon slots), the calls of its slots, group creation (event/group_list.h)
// and the notices that become its signals.
#include <QDebug>

#include "device/OneWindowDevice.h"
#include "device/QuadWindowDevice.h"
#include "mainwindow.h"

Shell& shell() { return mainwindow ? static_cast<Shell&>(*mainwindow) : shellStandIn(); }

SigninHost& signinHost() { return *mainwindow; }

SaveFolders MainWindow::saveFolders() const {
  SaveFolders folders;
  folders.userFolder = userName_private_dir;
  folders.root = rootSavePath;
  folders.picture = pictureSavePath;
  folders.video = videoSavePath;
  return folders;
}

void MainWindow::setSaveFolders(const SaveFolders& folders) {
  SaveFolders written = folders;
  writeConfigFileAVideoinfo(written.root, written.video, written.picture);
  rootSavePath = folders.root;
  pictureSavePath = folders.picture;
  videoSavePath = folders.video;
}

void MainWindow::showInPlayArea(QWidget* view) { playArea_.show(view); }

void MainWindow::setPlayViewIcon(const QString& deviceId, int iconType, bool state) {
  oneWindow_playWindow_icon_change_Handler(deviceId, iconType, state);
}

void MainWindow::setGroupPlayViewIcon(const QString& groupName, const QString& deviceId, int iconType,
                                      bool state) {
  quadWindow_playWindow_icon_change_Handler(groupName, deviceId, iconType, state);
}

void MainWindow::playGroupCamera(const QString& groupName, const QString& deviceId) {
  quadWindowPlay_video_Handler(groupName, deviceId);
}

QList<GroupCamera> MainWindow::groupCreateCameras() const {
  QList<GroupCamera> cameras;
  for (const oneWindowDevice* camera : oneWindowDevice_list) cameras.append({camera->deviceId, camera->deviceName});
  return cameras;
}

QStringList MainWindow::groupCreateExistingNames() const { return groupList_.names(); }

void MainWindow::groupCreateAdd(QuadWindowDevice_local_file_node& row, QList<QString>& deviceIds) {
  if (!groupList_.add(row, deviceIds, userName_private_dir))
    notifyStoredFileRefused(StoredFileNotices::Notice::GroupNotSaved);
  emit quadWindow_devicelistUpdate();
}

// ---- the play area's slots ----

void MainWindow::oneWindowPlay_video_Handler(QString groupName, QString deviceid) {
  playArea_.playCamera(groupName, deviceid);
}

void MainWindow::quadWindowPlay_video_Handler(QString groupName, QString deviceid) {
  playArea_.playGroup(groupName, deviceid);
}

void MainWindow::oneWindow_playWindow_icon_change_Handler(QString deviceId, int iconType, bool state) {
  playArea_.setCameraIcon(deviceId, iconType, state);
}

void MainWindow::quadWindow_playWindow_icon_change_Handler(QString groupName, QString deviceId, int iconType,
                                                           bool state) {
  playArea_.setGroupIcon(groupName, deviceId, iconType, state);
}

void MainWindow::notifyCameraState(const QString& deviceId, int state) {
  emit update_device_state(deviceId, state);
}

void MainWindow::notifyStopPlay(const QString& deviceId) { emit device_stop_play(deviceId); }

void MainWindow::notifyRecordState(const QString& deviceId, bool recording) {
  emit device_change_record_picture_state(deviceId, recording);
}

void MainWindow::notifyGroupIcon(const QString& groupName, const QString& deviceId, int iconType,
                                 bool state) {
  emit quadWindow_playWindow_icon_change(groupName, deviceId, iconType, state);
}

void MainWindow::notifyGroupDeleted(const QString& groupName) { emit delete_quadDevice(groupName); }

void MainWindow::notifySignOut() { emit user_singout(); }
