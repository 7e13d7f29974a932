// MainWindow: opening and closing a group's 2x2 play grid (a click on the
// group item), and starting or stopping one camera inside the grid (a
// cell's play button).
#include <QDebug>
#include <QGridLayout>

#include "device/OneWindowDevice.h"
#include "device/QuadWindowDevice.h"
#include "mainwindow.h"

void MainWindow::quadWindowPlay_video_Handler(QString groupName, QString deviceid) {
  qDebug() << "quadWindowPlay_video_Handler";
  qDebug() << "groupName:" << groupName << "deviceId:" << deviceid;
  QuadWindowDevice* group = find_quadWindowDevice(quadWindowDevice_List, groupName);
  if (!group) {
    qDebug() << "not find group " << groupName;
    return;
  }
  playState = E_MAINWINDOW_QUADWINDOW_PLAYING;
  qDebug() << "change play state E_MAINWINDOW_QUADWINDOW_PLAYING";

  if (deviceid.isEmpty()) {
    for (oneWindowDevice* camera : oneWindowDevice_list) {
      camera->avideo_stop_play();
      if (camera->wholeRenderWindow) camera->wholeRenderWindow->hide();
    }
    if (group->get_quadPlaying()) {
      // The second click ends the group's playing.
      group->set_quadPlaying(0);
      group->stop_all_play();
      return;
    }
    for (QuadWindowDevice* other : quadWindowDevice_List) {
      other->set_quadPlaying(0);
      other->stop_all_play();
      if (other->playWindow) {
        other->playWindow->hide();
        centralGrid->removeWidget(other->playWindow.get());
      }
    }
    group->set_quadPlaying(1);
    group->start_play();
    return;
  }

  // A cell's play button: cameras shown for no other group keep playing.
  for (oneWindowDevice* camera : oneWindowDevice_list) {
    if (camera->get_quadGroupName() == groupName) continue;
    camera->avideo_stop_play();
    if (camera->wholeRenderWindow) camera->wholeRenderWindow->hide();
  }
  oneWindowDevice* camera = find_oneWindowDevice(oneWindowDevice_list, deviceid);
  if (!camera) {
    qDebug() << "not find device " << deviceid;
    return;
  }
  if (camera->playRequested()) {
    group->stop_play(deviceid);
    quadWindow_playWindow_icon_change_Handler(groupName, deviceid, E_ICON_PLAY, false);
  } else {
    group->start_play(deviceid);
    quadWindow_playWindow_icon_change_Handler(groupName, deviceid, E_ICON_PLAY,
                                              camera->playRequested());
  }
}
