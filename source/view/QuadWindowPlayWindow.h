// MainWindow_QuadWindow_playWindow: the play area of one camera group,
// four single-camera play views (WholeRenderWindow) in a 2x2 grid: cell 0
// top left, 1 top right, 2 bottom left, 3 bottom right; cell j shows member
// camera j of the group. Its group item (QuadWindowDevice) owns it, binds
// the cells to the member cameras, strips their extra buttons and places
// the grid in the main window's play area when the group is opened. A cell
// without a camera ignores its buttons. GUI thread only.
#pragma once

#include <QGridLayout>
#include <QWidget>

#include "device/WholeRenderWindow.h"

class oneWindowDevice;

class MainWindow_QuadWindow_playWindow : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kCells = 4;

  MainWindow_QuadWindow_playWindow();
  ~MainWindow_QuadWindow_playWindow() override;

  // Every cell keeps only its play and HD/FHD buttons.
  void removeTileButtons();

  // Cell j shows `camera` (its device id, owner, PTZ pad and the render
  // widget's camera); null leaves the cell without a camera.
  void bindCell(int j, oneWindowDevice* camera);
  // The cell whose render widget is `target`, or -1.
  int cellOfRenderTarget(const VideoRenderTarget* target) const;

  QGridLayout tileGrid;
  WholeRenderWindow tiles[kCells];
};
