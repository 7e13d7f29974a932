#include "device/QuadWindowDevice.h"

#include <QDebug>
#include <QFont>
#include <QGridLayout>
#include <QPixmap>

#include "adapter_hardWare/AdapterHardware.h"
#include "device/group_members.h"
#include "device/OneWindowDevice.h"
#include "event/play_state.h"
#include "event/shell.h"
#include "sql/user_files.h"
#include "util_class/app_paths.h"
#include "view/group_geometry.h"
#include "view/list_picture.h"

QuadWindowDevice* find_quadWindowDevice(const QList<QuadWindowDevice*>& groups,
                                        const QString& groupName) {
  for (QuadWindowDevice* group : groups) {
    if (group && group->get_groupName() == groupName) return group;
  }
  return nullptr;
}

QuadWindowDevice::QuadWindowDevice(const QString& name, const QList<QString>& deviceIds)
    : QWidget(nullptr), groupName(name) {
  qDebug() << "set groupName :" << groupName;
  bindMembers(deviceIds);
  connect(this, SIGNAL(quadWindow_device_gif_play_start()), this,
          SLOT(quadWindow_device_gif_play_start_Handler()));
  connect(this, SIGNAL(quadWindow_device_gif_play_stop()), this,
          SLOT(quadWindow_device_gif_play_stop_Handler()));
  buildMosaic();
  buildItem();
}

MainWindow_QuadWindow_playWindow& QuadWindowDevice::playGrid() {
  if (!playWindow) {
    playWindow = std::make_unique<MainWindow_QuadWindow_playWindow>();
    playWindow->setStyleSheet(QStringLiteral("border:none"));
    for (int j = 0; j < memberDevices.size(); ++j) playWindow->bindCell(j, memberDevices[j]);
    playWindow->removeTileButtons();
  }
  return *playWindow;
}

QuadWindowDevice::~QuadWindowDevice() {
  disconnect(&deleteButton, SIGNAL(clicked()), this, SLOT(delete_button_clicked_Handler()));
  qDebug() << "~QuadWindowDevice";
  release_members();
  disconnect(this, SIGNAL(quadWindow_device_gif_play_start()), this,
             SLOT(quadWindow_device_gif_play_start_Handler()));
  disconnect(this, SIGNAL(quadWindow_device_gif_play_stop()), this,
             SLOT(quadWindow_device_gif_play_stop_Handler()));
}

void QuadWindowDevice::bindMembers(const QList<QString>& deviceIds) {
  const QList<oneWindowDevice*>& cameras = shell().cameraList();
  QStringList cameraIds;
  for (const oneWindowDevice* camera : cameras) cameraIds << (camera ? camera->deviceId : QString());
  for (int index : groupMemberIndexes(deviceIds, cameraIds)) {
    oneWindowDevice* camera = cameras[index];
    camera->set_quadGroupName(groupNameOnJoining(camera->get_quadGroupName(), groupName));
    memberDevices.append(camera);
  }
}

void QuadWindowDevice::buildMosaic() {
  const QSize cell = mosaicCellSize(adapterHardware.widthScale, adapterHardware.heightScale);
  const QString userDir = shell().saveFolders().userFolder;
  for (int j = 0; j < memberDevices.size(); ++j) {
    const oneWindowDevice* camera = memberDevices[j];
    QString path = device_picture_find(userDir, camera->deviceName, camera->deviceId);
    if (path.isEmpty()) {
      qDebug() << " _____________ " << " default";
      path = app_paths::picture(QStringLiteral("ic_device_default.png"));
    }
    const ListPicture picture = listPicture(path, cell);
    pictureImages[j] = picture.image;
    pictureCells[j].setPixmap(picture.pixmap);
  }
}

void QuadWindowDevice::buildItem() {
  const AdapterHardware& a = adapterHardware;
  setContentsMargins(0, 0, 0, 0);
  groupPictureLabel.setContentsMargins(0, 0, 0, 0);
  groupPictureLayout.setContentsMargins(0, 0, 0, 0);
  groupPictureGrid.setContentsMargins(0, 0, 0, 0);
  groupPictureLabel.setLayout(&groupPictureLayout);
  groupPictureLayout.addLayout(&groupPictureGrid);
  groupPictureLayout.setSpacing(0);

  const QSize cell = mosaicCellSize(a.widthScale, a.heightScale);
  groupPictureGrid.setSpacing(2);
  for (int j = 0; j < MainWindow_QuadWindow_playWindow::kCells; ++j) {
    // Cells without a member keep the plain colour.
    pictureCells[j].setFixedSize(cell);
    pictureCells[j].setStyleSheet(QStringLiteral("background-color:#CFD8DC;"));
    const GridCell at = *groupGridCell(j);
    groupPictureGrid.addWidget(&pictureCells[j], at.row, at.column);
  }

  // A click on the mosaic asks the main window to play the group.
  groupPictureLabel.setParent(this);
  QString id = groupName;
  groupPictureLabel.set_deviceId(id);
  groupPictureLabel.setFixedSize(a.sx(392), a.sy(176));
  groupPictureLabel.move(0, 0);
  groupPictureLabel.connect_quadWindow_click();
  groupPictureLabel.connect_play_request(4);

  setFixedSize(a.sx(392), a.sy(232));

  groupGifMovie.setFileName(app_paths::picture(QStringLiteral("playing.gif")));
  groupGifMovie.setScaledSize(QSize(a.sx(34), a.sy(42)));
  groupGifLabel.setParent(this);
  groupGifLabel.setFixedSize(a.sx(34), a.sy(42));
  groupGifLabel.setAlignment(Qt::AlignCenter);
  groupGifLabel.move(a.sx(179), a.sy(67));
  groupGifLabel.setMovie(&groupGifMovie);
  groupGifLabel.hide();

  QFont font = groupNameLabel.font();
  font.setWeight(75);
  font.setPixelSize(std::max(1, a.sx(24)));
  groupNameLabel.setParent(this);
  groupNameLabel.setFont(font);
  groupNameLabel.setFixedSize(a.sx(232), a.sy(56));
  groupNameLabel.move(0, a.sy(176));
  groupNameLabel.setAlignment(Qt::AlignVCenter);
  groupNameLabel.setText(groupName);

  const QSize buttonSize(a.sx(40), a.sy(44));
  deleteButton.setParent(this);
  deleteButton.setIcon(QIcon(app_paths::picture(QStringLiteral("ic_delete_group.png"))));
  deleteButton.setFlat(true);
  deleteButton.setIconSize(buttonSize);
  deleteButton.setFixedSize(buttonSize);
  deleteButton.move(a.sx(342), a.sy(200));
  connect(&deleteButton, SIGNAL(clicked()), this, SLOT(delete_button_clicked_Handler()));
}

int QuadWindowDevice::memberIndex(const QString& deviceId) const {
  for (int j = 0; j < memberDevices.size(); ++j) {
    if (memberDevices[j]->deviceId == deviceId) return j;
  }
  return -1;
}

void QuadWindowDevice::drawIntoCell(int j) {
  memberDevices[j]->setRenderTarget(&playGrid().tiles[j].renderWnd);
}

void QuadWindowDevice::start_play() {
  // Into the play area first: shown before, it would open as a window of
  // its own, and the move into the grid would hide it again.
  MainWindow_QuadWindow_playWindow& grid = playGrid();
  shell().showInPlayArea(&grid);
  grid.show();
  for (int j = 0; j < memberDevices.size(); ++j) {
    oneWindowDevice* camera = memberDevices[j];
    shell().notifyGroupIcon(groupName, camera->deviceId, E_ICON_PLAY, true);
    // The cells' buttons act on the group shown.
    camera->set_quadGroupName(groupName);
    drawIntoCell(j);
    camera->video_start_play();
  }
  quadPlaying = 1;
  emit quadWindow_device_gif_play_start();
}

void QuadWindowDevice::stop_all_play() {
  for (oneWindowDevice* camera : memberDevices) {
    shell().notifyGroupIcon(groupName, camera->deviceId, E_ICON_PLAY, false);
    camera->video_stop_play();
  }
  emit quadWindow_device_gif_play_stop();
}

void QuadWindowDevice::start_play(const QString& deviceId) {
  const int j = memberIndex(deviceId);
  if (j < 0) return;
  oneWindowDevice* camera = memberDevices[j];
  if (!camera->playRequested()) {
    // A camera that is not online yet waits in its cell for Online.
    drawIntoCell(j);
    camera->video_start_play();
    qDebug() << deviceId << " start playing ";
  } else {
    qDebug() << deviceId << " is not playing ";
  }
}

void QuadWindowDevice::stop_play(const QString& deviceId) {
  const int j = memberIndex(deviceId);
  if (j < 0) return;
  oneWindowDevice* camera = memberDevices[j];
  if (camera->playRequested()) {
    camera->video_stop_play();
    qDebug() << deviceId << " stop playing";
  } else {
    qDebug() << deviceId << " is not playing";
  }
}

void QuadWindowDevice::release_members() {
  for (int j = 0; j < memberDevices.size(); ++j) {
    oneWindowDevice* camera = memberDevices[j];
    if (playWindow && playWindow->cellOfRenderTarget(camera->sdlRenderWnd) >= 0) {
      // A group play still drawing into a cell that is going away ends; a
      // single play just started takes its own view on its first picture.
      if (camera->get_isPlaying() && camera->playMode() == PlayMode::Group)
        camera->video_stop_play();
      camera->setRenderTarget(nullptr);
    }
    camera->set_quadGroupName(groupNameAfterLeaving(camera->get_quadGroupName(), groupName));
    if (playWindow) playWindow->bindCell(j, nullptr);
  }
  memberDevices.clear();
}

void QuadWindowDevice::delete_button_clicked_Handler() {
  if (quadPlaying) stop_all_play();
  qDebug() << "delete_button_clicked_Handler";
  if (playWindow) {
    playWindow->setParent(nullptr);
    playWindow->hide();
  }
  qDebug() << "delete_button_clicked_Handler" << groupName;
  shell().notifyGroupDeleted(groupName);
}

void QuadWindowDevice::quadWindow_device_gif_play_start_Handler() { groupGifShown.play(); }

void QuadWindowDevice::quadWindow_device_gif_play_stop_Handler() { groupGifShown.stop(); }
