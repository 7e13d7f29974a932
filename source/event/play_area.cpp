#include "event/play_area.h"

#include <QDebug>
#include <QGridLayout>

#include "device/OneWindowDevice.h"
#include "device/QuadWindowDevice.h"
#include "device/WholeRenderWindow.h"
#include "event/play_state.h"
#include "event/play_view_icons.h"

void PlayArea::playCamera(const QString& groupName, const QString& deviceid) {
  qDebug() << "oneWindowPlay_video_Handler";
  qDebug() << "groupName:" << groupName << "deviceid:" << deviceid;
  oneWindowDevice* chosen = find_oneWindowDevice(cameras_, deviceid);
  if (!chosen) {
    qDebug() << "not find device " << deviceid;
    return;
  }
  // Whether the click stops the camera is decided before the groups stop:
  // stopping them stops their members too, and a playing camera that is in
  // a group would then be started again instead of stopped.
  const bool wasPlaying = chosen->playRequested();
  for (QuadWindowDevice* group : groups_) {
    group->set_quadPlaying(0);
    group->stop_all_play();
    if (group->playWindow) group->playWindow->hide();
    setCameraIcon(deviceid, E_ICON_PLAY, false);
  }
  playState_ = E_MAINWINDOW_ONEWINDOW_PLAYING;
  qDebug() << "change play state E_MAINWINDOW_ONEWINDOW_PLAYING";

  // A play that waits for its camera to come online counts as playing.
  if (wasPlaying) {
    chosen->avideo_stop_play();
    setCameraIcon(deviceid, E_ICON_PLAY, false);
    return;
  }
  for (oneWindowDevice* camera : cameras_) {
    camera->avideo_stop_play();
    setCameraIcon(camera->deviceId, E_ICON_PLAY, false);
    if (camera->wholeRenderWindow) camera->wholeRenderWindow->hide();
  }
  // The play view takes the play area at once: black until the first
  // picture, or with the camera's badge while it waits to come online.
  chosen->avideo_start_play();
  setCameraIcon(deviceid, E_ICON_PLAY, chosen->playRequested());
  if (chosen->playRequested()) chosen->showPlayView();
}

void PlayArea::playGroup(const QString& groupName, const QString& deviceid) {
  qDebug() << "quadWindowPlay_video_Handler";
  qDebug() << "groupName:" << groupName << "deviceId:" << deviceid;
  QuadWindowDevice* group = find_quadWindowDevice(groups_, groupName);
  if (!group) {
    qDebug() << "not find group " << groupName;
    return;
  }
  playState_ = E_MAINWINDOW_QUADWINDOW_PLAYING;
  qDebug() << "change play state E_MAINWINDOW_QUADWINDOW_PLAYING";

  if (deviceid.isEmpty()) {
    for (oneWindowDevice* camera : cameras_) {
      camera->avideo_stop_play();
      if (camera->wholeRenderWindow) camera->wholeRenderWindow->hide();
    }
    if (group->get_quadPlaying()) {
      // The second click ends the group's playing.
      group->set_quadPlaying(0);
      group->stop_all_play();
      return;
    }
    for (QuadWindowDevice* other : groups_) {
      other->set_quadPlaying(0);
      other->stop_all_play();
      if (other->playWindow) {
        other->playWindow->hide();
        grid_->removeWidget(other->playWindow.get());
      }
    }
    group->set_quadPlaying(1);
    group->start_play();
    return;
  }

  // A cell's play button: cameras shown for no other group keep playing.
  for (oneWindowDevice* camera : cameras_) {
    if (camera->get_quadGroupName() == groupName) continue;
    camera->avideo_stop_play();
    if (camera->wholeRenderWindow) camera->wholeRenderWindow->hide();
  }
  oneWindowDevice* camera = find_oneWindowDevice(cameras_, deviceid);
  if (!camera) {
    qDebug() << "not find device " << deviceid;
    return;
  }
  if (camera->playRequested()) {
    group->stop_play(deviceid);
    setGroupIcon(groupName, deviceid, E_ICON_PLAY, false);
  } else {
    group->start_play(deviceid);
    setGroupIcon(groupName, deviceid, E_ICON_PLAY,
                                              camera->playRequested());
  }
}

void PlayArea::setCameraIcon(const QString& deviceId, int iconType, bool state) {
  qDebug() << "oneWindow_playWindow_icon_change_Handler" << deviceId << iconType << state;
  oneWindowDevice* camera = find_oneWindowDevice(cameras_, deviceId);
  if (!camera) return;
  if (iconType < E_ICON_PLAY || iconType > E_ICON_FULLSCREEN) return;
  // A camera never played in its own view has none yet: it is made with
  // the icons of a camera that is not playing.
  if (!camera->wholeRenderWindow) return;
  WholeRenderWindow& view = *camera->wholeRenderWindow;
  if (iconType == E_ICON_RECORD) {
    state = record_icon_state(camera, state);
    view.show_record_state(state);
  }
  view.show_button_state(iconType, state);
}

void PlayArea::setGroupIcon(const QString& groupName, const QString& deviceId, int iconType,
                            bool state) {
  qDebug() << "quadWindow_playWindow_icon_change_Handler" << groupName << deviceId << iconType
           << state;
  GroupPlayCells group;
  if (!find_group_play_cells(groups_, groupName, &group)) {
    qDebug() << "not find group:" << groupName;
    return;
  }
  apply_group_icon(groupName, group, deviceId, iconType, state);
}

void PlayArea::show(QWidget* view) {
  if (grid_ && grid_->indexOf(view) < 0) grid_->addWidget(view, 0, 2);
}
