#include "event/play_view_icons.h"

#include <QDebug>
#include <QIcon>
#include <QPushButton>

#include "adapter_hardWare/AdapterHardware.h"
#include "device/OneWindowDevice.h"
#include "device/play_view_rules.h"
#include "device/QuadWindowDevice.h"
#include "device/WholeRenderWindow.h"
#include "event/play_state.h"
#include "util_class/app_paths.h"

bool record_icon_state(oneWindowDevice* camera, bool reported) {
  const bool recording = camera->isRecording.load();
  if (recording != reported)
    qDebug() << camera->deviceId << "record state reported" << reported << "but recording is"
             << recording;
  return recording;
}

bool find_group_play_cells(const QList<QuadWindowDevice*>& groups, const QString& groupName,
                           GroupPlayCells* out) {
  QuadWindowDevice* group = find_quadWindowDevice(groups, groupName);
  if (!group) return false;
  out->members = group->memberDevices;
  out->cells.clear();
  // A grid not made yet (the group never played) has no icons to change.
  if (group->playWindow) {
    for (WholeRenderWindow& cell : group->playWindow->tiles) out->cells << &cell;
  }
  out->maximizeButton = nullptr;  // the grid has none
  return true;
}

void apply_group_icon(const QString& groupName, const GroupPlayCells& group,
                      const QString& deviceId, int iconType, bool state) {
  int member = -1;
  if (!deviceId.isEmpty()) {
    for (int j = 0; j < group.members.size(); ++j) {
      if (group.members[j] && group.members[j]->deviceId == deviceId) {
        member = j;
        break;
      }
    }
    if (member < 0) {
      qDebug() << "group:" << groupName << "not find deviceId:" << deviceId;
      return;
    }
  }
  if (iconType == E_ICON_QUAD_MAXIMIZE) {
    if (!group.maximizeButton) return;
    group.maximizeButton->setIcon(QIcon(app_paths::picture(play_view::iconFile(iconType, state))));
    group.maximizeButton->setIconSize(QSize(adapterHardware.sx(38), adapterHardware.sy(38)));
    return;
  }
  if (iconType == 1) {
    qDebug() << "group:" << groupName << "icon type 1";
    return;
  }
  if (iconType < E_ICON_PLAY || iconType > E_ICON_FULLSCREEN) return;
  if (member < 0 || member >= group.cells.size() || !group.cells[member]) return;
  if (iconType == E_ICON_RECORD) state = record_icon_state(group.members[member], state);
  group.cells[member]->show_button_state(iconType, state);
}
