// MainWindow: the group list's upkeep: the stored groups loaded, the group
// creation dialog opened, the list laid out again, and one group removed.
#include <QDebug>
#include <QLayoutItem>
#include <QVBoxLayout>

#include "adapter_hardWare/AdapterHardware.h"
#include "device/OneWindowDevice.h"
#include "device/QuadWindowDevice.h"
#include "mainwindow.h"
#include "sql/group_file.h"
#include "view/QuadWindowCreateWindow.h"
#include "view/group_geometry.h"

QList<StoredGroup> MainWindow::readStoredGroups() {
  QList<StoredGroup> stored;
  if (userName_private_dir.isEmpty()) {
    qDebug() << "device_groupInfodb_read_groupInfo: no user folder";
    return stored;
  }
  // An unreadable file is said on the group page and left as it is.
  const bool read = ::device_groupInfodb_read_groupInfo(userName_private_dir, stored);
  listNotices_.setGroupsUnreadable(!read);
  showListNotice();
  return stored;
}

void MainWindow::device_groupInfodb_read_groupInfo() {
  for (const StoredGroup& row : readStoredGroups()) {
    quadWindowDevice_List.append(new QuadWindowDevice(row.groupName, row.devices));
  }
}

void MainWindow::quadWindow_create_Handler() {
  qDebug() << "quadWindow_create_Handler";
  if (oneWindowDevice_list.isEmpty()) {
    qDebug() << " ____here";
    return;
  }
  const QPoint at = frameGeometry().topLeft() + QPoint(784, 180);
  QuadWindowCreateWindow dialog(at.x(), at.y(), oneWindowDevice_list.size());
  dialog.exec();
}

void MainWindow::update_quadDeviceList_Handler() {
  qDebug() << "update_quadDeviceList_Handler";
  const int g = quadWindowDevice_List.size();
  qDebug() << "quadWindowDevice_List update size :" << g;
  const AdapterHardware& a = adapterHardware;
  quadListWidget->resize(a.sx(392), AdapterHardware::scaled(g * 232, a.heightScale) +
                                        groupPanelTopMargin(a.heightScale));
  // The layout holds group items only; it is emptied, then refilled in list order.
  for (int left = quadListLayout->count(); left > 0; --left) {
    QLayoutItem* item = quadListLayout->takeAt(0);
    if (!item) break;
    if (auto* group = qobject_cast<QuadWindowDevice*>(item->widget()))
      qDebug() << "remove :" << group->get_groupName();
    delete item;
  }
  for (QuadWindowDevice* group : quadWindowDevice_List) quadListLayout->addWidget(group);
}

void MainWindow::delete_quadDevice_Handler(QString groupName) {
  qDebug() << "delete_quadDevice_Handler";
  qDebug() << "delete " << groupName;
  QuadWindowDevice* group = find_quadWindowDevice(quadWindowDevice_List, groupName);
  if (!group) return;
  quadWindowDevice_List.removeOne(group);
  quadListLayout->removeWidget(group);
  group->setParent(nullptr);
  // Its cameras are the main window's: names, cells and render targets
  // let go now; the item itself goes once its delete button's click is
  // over (this runs inside it).
  group->release_members();
  group->deleteLater();
  device_groupInfodb_delete_byGroupName(groupName);
  qDebug() << "delete " << groupName;
  emit quadWindow_devicelistUpdate();
}
