// MainWindow: playing one camera in the play area (a click on its tile).
// The same click that started a camera stops it (also while it still waits
// for the camera to come online); a click on another camera stops every
// other camera and every group first.
#include <QDebug>

#include "device/OneWindowDevice.h"
#include "device/QuadWindowDevice.h"
#include "mainwindow.h"

void MainWindow::oneWindowPlay_video_Handler(QString groupName, QString deviceid) {
  qDebug() << "oneWindowPlay_video_Handler";
  qDebug() << "groupName:" << groupName << "deviceid:" << deviceid;
  oneWindowDevice* chosen = find_oneWindowDevice(oneWindowDevice_list, deviceid);
  if (!chosen) {
    qDebug() << "not find device " << deviceid;
    return;
  }
  // Whether the click stops the camera is decided before the groups stop:
  // stopping them stops their members too, and a playing camera that is in
  // a group would then be started again instead of stopped.
  const bool wasPlaying = chosen->playRequested();
  for (QuadWindowDevice* group : quadWindowDevice_List) {
    group->set_quadPlaying(0);
    group->stop_all_play();
    if (group->playWindow) group->playWindow->hide();
    oneWindow_playWindow_icon_change_Handler(deviceid, E_ICON_PLAY, false);
  }
  playState = E_MAINWINDOW_ONEWINDOW_PLAYING;
  qDebug() << "change play state E_MAINWINDOW_ONEWINDOW_PLAYING";

  // A play that waits for its camera to come online counts as playing.
  if (wasPlaying) {
    chosen->avideo_stop_play();
    oneWindow_playWindow_icon_change_Handler(deviceid, E_ICON_PLAY, false);
    return;
  }
  for (oneWindowDevice* camera : oneWindowDevice_list) {
    camera->avideo_stop_play();
    oneWindow_playWindow_icon_change_Handler(camera->deviceId, E_ICON_PLAY, false);
    if (camera->wholeRenderWindow) camera->wholeRenderWindow->hide();
  }
  // The play view takes the play area at once: black until the first
  // picture, or with the camera's badge while it waits to come online.
  chosen->avideo_start_play();
  oneWindow_playWindow_icon_change_Handler(deviceid, E_ICON_PLAY, chosen->playRequested());
  if (chosen->playRequested()) chosen->showPlayView();
}
