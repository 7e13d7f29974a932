// MainWindow: its two lists. The camera list and the group panel built once
// the signed-in user's device configuration has arrived (in slices); the
// group list kept up (event/group_list.h); what the cameras report from
// their own threads (connection state, a stop, the end of a recording),
// delivered queued on the GUI thread to the first camera with the id; and
// every camera and group removed after a sign-out and before the program
// ends (by the program entry once the event loop has returned, never from
// a camera's or group's slot: groups go first, each camera's destructor
// ends its link and waits for its worker threads).
#include <QDebug>
#include <QFont>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include "adapter_hardWare/AdapterHardware.h"
#include "device/OneWindowDevice.h"
#include "device/QuadWindowDevice.h"
#include "event/camera_list_build.h"
#include "event/group_list.h"
#include "event/list_texts.h"
#include "mainwindow.h"
#include "sql/group_file.h"
#include "view/group_geometry.h"
#include "view/QuadWindowCreateWindow.h"

namespace {

// `widget` joins `layout` once (a second build reuses the panel).
void addOnce(QVBoxLayout* layout, QWidget* widget) {
  if (layout->indexOf(widget) < 0) layout->addWidget(widget);
}

void setScrollWidgetOnce(QScrollArea* scroll, QWidget* widget) {
  if (scroll->widget() != widget) scroll->setWidget(widget);
}

}  // namespace

void MainWindow::oneWindow_deviceList_create_Handler() {
  qDebug() << "oneWindow_deviceList_create_Handler";
  // One build per signed-in session: the lists are emptied at sign-out.
  if (load_deviceList_succeed || listBuild_.running() || !oneWindowDevice_list.isEmpty() ||
      !quadWindowDevice_List.isEmpty()) {
    qDebug() << "oneWindow_deviceList_create_Handler: the lists are built already";
    return;
  }
  if (!device) qDebug() << "oneWindow_deviceList_create_Handler: no device container";
  const CameraListPlan plan = cameraListPlan(device);
  for (const QString& line : plan.skipped) qDebug() << line;

  const AdapterHardware& a = adapterHardware;
  const int n = plan.cameras.size();
  const QString title = deviceCountText(n);
  qDebug() << "oneWindowDevice_list num :" << title;

  addOnce(listColumnLayout, deviceListScroll);
  QFont titleFont = listTitleLabel->font();
  titleFont.setWeight(75);
  titleFont.setPixelSize(std::max(1, a.sx(20)));
  listTitleLabel->setFont(titleFont);
  listTitleLabel->setText(title);
  listTitleLabel->setStyleSheet(QStringLiteral("color:#263238;"));
  listTitleLabel->move(a.sx(24), 0);

  deviceListScroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  deviceListScroll->setGeometry(0, listTitleLabel->height(), a.sx(1920), a.sy(1080));
  deviceListScroll->setFrameShape(QFrame::NoFrame);
  // The tiles fill the list exactly: n tiles, n tile heights.
  deviceListLayout->setContentsMargins(0, 0, 0, 0);
  deviceListLayout->setSpacing(0);
  deviceListWidget->setGeometry(0, 0, a.sx(392), AdapterHardware::scaled(n * 232, a.heightScale));
  setScrollWidgetOnce(deviceListScroll, deviceListWidget);
  deviceListScroll->show();
  qDebug() << "oneWindow DeviceList num :" << title;

  // The tiles in list order, a slice at a time; then the group panel.
  const QList<ListedCamera> cameras = plan.cameras;
  listBuild_.start(
      n, listBuildPace.itemsPerSlice, listBuildPace.sliceBudgetMs,
      [this, cameras](int i) {
        auto* camera = new oneWindowDevice(cameras[i].deviceId, cameras[i].aliasName, 1);
        oneWindowDevice_list.append(camera);
        camera->send_fetchInfo_instruct();
        deviceListLayout->addWidget(camera);
      },
      [this] { create_groupButton(); });
}

void MainWindow::finishListBuild() {
  quadListScroll->hide();
  quadListWidget->hide();
  load_deviceList_succeed = true;
  qDebug() << "set load_deviceList_succeed flag true";
  listNotices_.cameraListBuilt();
  showListNotice();
}

void MainWindow::create_groupButton() {
  const AdapterHardware& a = adapterHardware;
  const QList<StoredGroup> stored = readStoredGroups();

  addOnce(listColumnLayout, quadListScroll);
  quadListScroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setScrollWidgetOnce(quadListScroll, quadListWidget);
  quadListScroll->setFrameShape(QFrame::NoFrame);

  const int top = groupPanelTopMargin(a.heightScale);
  const int g = stored.size();
  quadListWidget->setGeometry(0, 0, a.sx(392), AdapterHardware::scaled(g * 232, a.heightScale) + top);

  // The button stays over the list while it scrolls.
  createGroupButton->setText(QStringLiteral("Create Group"));
  createGroupButton->setFixedSize(a.sx(392), a.sy(64));
  createGroupButton->move(a.sx(24), 0);
  createGroupButton->setStyleSheet(QStringLiteral(
      "background-color:rgb(230,230,230); color:#68BF39; border:1px solid rgb(150, 150, 150)"));
  createGroupButton->raise();
  // Built again at every sign-in; one click opens one dialog.
  connect(createGroupButton, SIGNAL(clicked()), this, SLOT(quadWindow_create_Handler()),
          Qt::UniqueConnection);

  quadListLayout->setContentsMargins(0, top, 0, 0);
  // The camera page is the one shown while the group items are made; they
  // are styled as they are made, so the group page shows without a wait.
  quadListScroll->hide();
  quadListWidget->hide();
  listBuild_.start(
      g, listBuildPace.itemsPerSlice, listBuildPace.sliceBudgetMs,
      [this, stored](int i) {
        auto* group = new QuadWindowDevice(stored[i].groupName, stored[i].devices);
        quadWindowDevice_List.append(group);
        quadListLayout->addWidget(group);
        group->ensurePolished();
      },
      [this] { finishListBuild(); });
}

void MainWindow::update_device_state_Handler(QString deviceId, int state) {
  // A camera that keeps failing to connect is logged once, not at every retry.
  if (const std::optional<ConnectionReportLog::Line> line = reportLog_.note(deviceId, state)) {
    if (line->unlogged > 0)
      qDebug() << "update_device_state_Handler" << deviceId << state << "(after" << line->unlogged
               << "reports not logged)";
    else
      qDebug() << "update_device_state_Handler" << deviceId << state;
  }
  if (oneWindowDevice* camera = find_oneWindowDevice(oneWindowDevice_list, deviceId))
    camera->update_p2pState(state);
}

void MainWindow::device_stop_play_Handler(QString deviceId) {
  qDebug() << "device_stop_play_Handler" << deviceId;
  oneWindowDevice* camera = find_oneWindowDevice(oneWindowDevice_list, deviceId);
  if (!camera) return;
  camera->avideo_stop_play();
  oneWindow_playWindow_icon_change_Handler(deviceId, E_ICON_PLAY, false);
}

void MainWindow::device_change_record_picture_state_Handler(QString deviceId, bool state) {
  qDebug() << "device_change_record_picture_state_Handler" << deviceId << state;
  if (!find_oneWindowDevice(oneWindowDevice_list, deviceId)) return;
  oneWindow_playWindow_icon_change_Handler(deviceId, E_ICON_RECORD, state);
}

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
  groupList_.relayout();
}

void MainWindow::delete_quadDevice_Handler(QString groupName) {
  qDebug() << "delete_quadDevice_Handler";
  qDebug() << "delete " << groupName;
  bool stored = true;
  if (!groupList_.remove(groupName, userName_private_dir, &stored)) return;
  if (!stored) notifyStoredFileRefused(StoredFileNotices::Notice::GroupNotRemoved);
  emit quadWindow_devicelistUpdate();
}
