// MainWindow: removing every camera and group after a sign-out (and before
// the program ends). Called by the program entry once the event loop has
// returned, never from a slot of a camera or a group: the objects are
// deleted here and now. Groups go first (a group lets go of its member
// cameras as it goes); each camera's destructor ends its link and waits
// for its worker threads.
#include <QDebug>
#include <QPushButton>
#include <QVBoxLayout>

#include "device/OneWindowDevice.h"
#include "device/QuadWindowDevice.h"
#include "mainwindow.h"

void MainWindow::mainWindow_deleteAllDevice() {
  // A build still making tiles or groups makes no more.
  listBuild_.cancel();
  for (oneWindowDevice* camera : oneWindowDevice_list) deviceListLayout->removeWidget(camera);
  for (QuadWindowDevice* group : quadWindowDevice_List) quadListLayout->removeWidget(group);

  qDebug() << "oneWindowDevice_list list size" << oneWindowDevice_list.size();
  qDebug() << "quadWindowDevice_List list size" << quadWindowDevice_List.size();
  const QList<QuadWindowDevice*> groups = quadWindowDevice_List;
  quadWindowDevice_List.clear();
  for (QuadWindowDevice* group : groups) delete group;

  const QList<oneWindowDevice*> cameras = oneWindowDevice_list;
  oneWindowDevice_list.clear();
  for (oneWindowDevice* camera : cameras) delete camera;
  reportLog_.clear();

  // The camera page comes back while the list still counts as built.
  emit cameraButton->clicked(false);
  load_deviceList_succeed = false;
}
