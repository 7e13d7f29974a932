// MainWindow: building the camera list and the group panel once the
// signed-in user's device configuration has arrived.
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
#include "event/list_texts.h"
#include "mainwindow.h"
#include "view/group_geometry.h"

namespace {

// `widget` joins `layout` once (a second build reuses the panel).
void addOnce(QVBoxLayout* layout, QWidget* widget) {
  if (layout->indexOf(widget) < 0) layout->addWidget(widget);
}

void setScrollWidgetOnce(QScrollArea* scroll, QWidget* widget) {
  if (scroll->widget() != widget) scroll->setWidget(widget);
}

// Tiles and group items made per turn of the event loop (at least so many,
// more while the slice is short): a list of 200 cameras and 300 groups never
// holds the GUI thread for long.
constexpr int kTilesPerSlice = 16;
constexpr int kGroupsPerSlice = 16;
constexpr int kSliceBudgetMs = 40;

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
      n, kTilesPerSlice, kSliceBudgetMs,
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
      g, kGroupsPerSlice, kSliceBudgetMs,
      [this, stored](int i) {
        auto* group = new QuadWindowDevice(stored[i].groupName, stored[i].devices);
        quadWindowDevice_List.append(group);
        quadListLayout->addWidget(group);
        group->ensurePolished();
      },
      [this] { finishListBuild(); });
}
