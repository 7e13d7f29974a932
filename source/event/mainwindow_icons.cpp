// MainWindow: the play views' button icons, set as the cameras and the play
// views report a button's state.
#include <QDebug>

#include "device/OneWindowDevice.h"
#include "device/WholeRenderWindow.h"
#include "event/play_view_icons.h"
#include "mainwindow.h"

void MainWindow::oneWindow_playWindow_icon_change_Handler(QString deviceId, int iconType,
                                                          bool state) {
  qDebug() << "oneWindow_playWindow_icon_change_Handler" << deviceId << iconType << state;
  oneWindowDevice* camera = find_oneWindowDevice(oneWindowDevice_list, deviceId);
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

void MainWindow::quadWindow_playWindow_icon_change_Handler(QString groupName, QString deviceId,
                                                           int iconType, bool state) {
  qDebug() << "quadWindow_playWindow_icon_change_Handler" << groupName << deviceId << iconType
           << state;
  GroupPlayCells group;
  if (!find_group_play_cells(quadWindowDevice_List, groupName, &group)) {
    qDebug() << "not find group:" << groupName;
    return;
  }
  apply_group_icon(groupName, group, deviceId, iconType, state);
}
