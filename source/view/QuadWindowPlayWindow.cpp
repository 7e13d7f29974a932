#include "view/QuadWindowPlayWindow.h"

#include "device/OneWindowDevice.h"
#include "view/group_geometry.h"

MainWindow_QuadWindow_playWindow::MainWindow_QuadWindow_playWindow() : QWidget(nullptr) {
  tileGrid.setHorizontalSpacing(0);
  tileGrid.setVerticalSpacing(0);
  tileGrid.setContentsMargins(0, 0, 0, 0);
  // Half of the size a new widget has (640 x 480): the grid never shrinks
  // below two 320-wide columns and two 240-high rows.
  for (int i = 0; i < 2; ++i) {
    tileGrid.setColumnMinimumWidth(i, width() / 2);
    tileGrid.setRowMinimumHeight(i, height() / 2);
  }
  tileGrid.setAlignment(Qt::AlignHCenter);
  for (int j = 0; j < kCells; ++j) {
    const GridCell cell = *groupGridCell(j);
    tileGrid.addWidget(&tiles[j], cell.row, cell.column);
  }
  setLayout(&tileGrid);
}

MainWindow_QuadWindow_playWindow::~MainWindow_QuadWindow_playWindow() = default;

void MainWindow_QuadWindow_playWindow::removeTileButtons() {
  for (WholeRenderWindow& tile : tiles) tile.remove_extra_buttons();
}

void MainWindow_QuadWindow_playWindow::bindCell(int j, oneWindowDevice* camera) {
  if (j < 0 || j >= kCells) return;
  WholeRenderWindow& tile = tiles[j];
  tile.deviceId = camera ? camera->deviceId : QString();
  tile.ownerDevice = camera;
  tile.ptzWindow.set_device(camera);
  tile.renderWnd.m_pDevice = camera;
}

int MainWindow_QuadWindow_playWindow::cellOfRenderTarget(const VideoRenderTarget* target) const {
  for (int j = 0; j < kCells; ++j) {
    if (target && target == &tiles[j].renderWnd) return j;
  }
  return -1;
}
