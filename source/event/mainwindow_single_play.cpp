// MainWindow: playing one camera in the play area (a click on its tile).
// The same click that started a camera stops it; a click on another
// camera stops every other camera and every group first.
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
  for (QuadWindowDevice* group : quadWindowDevice_List) {
    group->set_quadPlaying(0);
    group->stop_all_play();
    group->playWindow.hide();
    oneWindow_playWindow_icon_change_Handler(deviceid, E_ICON_PLAY, false);
  }
  playState = E_MAINWINDOW_ONEWINDOW_PLAYING;
  qDebug() << "change play state E_MAINWINDOW_ONEWINDOW_PLAYING";

  if (chosen->get_isPlaying()) {
    chosen->avideo_stop_play();
    oneWindow_playWindow_icon_change_Handler(deviceid, E_ICON_PLAY, false);
    return;
  }
  for (oneWindowDevice* camera : oneWindowDevice_list) {
    camera->avideo_stop_play();
    oneWindow_playWindow_icon_change_Handler(camera->deviceId, E_ICON_PLAY, false);
    camera->wholeRenderWindow.hide();
  }
  // The play view shows itself in the play area with the first picture.
  chosen->avideo_start_play();
  // A camera that is not online did not start: its button keeps "play".
  oneWindow_playWindow_icon_change_Handler(deviceid, E_ICON_PLAY, chosen->get_isPlaying());
}
