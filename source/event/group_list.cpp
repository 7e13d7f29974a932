#include "event/group_list.h"

#include <QDebug>
#include <QLayoutItem>
#include <QVBoxLayout>
#include <QWidget>

#include "adapter_hardWare/AdapterHardware.h"
#include "device/QuadWindowDevice.h"
#include "sql/group_file.h"
#include "view/group_geometry.h"

QStringList GroupList::names() const {
  QStringList names;
  for (QuadWindowDevice* group : groups_) names << group->get_groupName();
  return names;
}

bool GroupList::add(QuadWindowDevice_local_file_node& row, QList<QString>& deviceIds, const QString& userFolder) {
  qDebug() << "group" << row.groupName << deviceIds;
  auto* group = new QuadWindowDevice(row.groupName, deviceIds);
  const bool stored = device_groupInfodb_insert(userFolder, row);
  groups_.append(group);
  return stored;
}

void GroupList::relayout() {
  const int g = groups_.size();
  qDebug() << "quadWindowDevice_List update size :" << g;
  const AdapterHardware& a = adapterHardware;
  panel_->resize(a.sx(392), AdapterHardware::scaled(g * 232, a.heightScale) + groupPanelTopMargin(a.heightScale));
  // The layout holds group items only; it is emptied, then refilled in list order.
  for (int left = layout_->count(); left > 0; --left) {
    QLayoutItem* item = layout_->takeAt(0);
    if (!item) break;
    if (auto* group = qobject_cast<QuadWindowDevice*>(item->widget()))
      qDebug() << "remove :" << group->get_groupName();
    delete item;
  }
  for (QuadWindowDevice* group : groups_) layout_->addWidget(group);
}

bool GroupList::remove(const QString& groupName, const QString& userFolder, bool* stored) {
  QuadWindowDevice* group = find_quadWindowDevice(groups_, groupName);
  if (!group) return false;
  groups_.removeOne(group);
  layout_->removeWidget(group);
  group->setParent(nullptr);
  // Its cameras are the main window's: names, cells and render targets
  // let go now; the item itself goes once its delete button's click is
  // over (this runs inside it).
  group->release_members();
  group->deleteLater();
  const bool removed = device_groupInfodb_delete_byGroupName(userFolder, groupName);
  if (stored) *stored = removed;
  qDebug() << "delete " << groupName;
  return true;
}
