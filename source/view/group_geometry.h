// Geometry of camera groups: where member j sits in the 2x2 mosaic and
// play grid, the mosaic cell size and the group panel's top margin, from
// the design sizes and the screen scale factors (ws, hs).
#pragma once

#include <QSize>
#include <optional>

struct GridCell {
  int row = 0;
  int column = 0;
  bool operator==(const GridCell& o) const { return row == o.row && column == o.column; }
};

// Member 0 top left, 1 top right, 2 bottom left, 3 bottom right; none for
// any other index (a group holds at most four cameras).
std::optional<GridCell> groupGridCell(int member);

// A mosaic cell: (trunc(392 * ws) / 2, trunc(176 * hs) / 2), integer halves.
QSize mosaicCellSize(double widthScale, double heightScale);

// The group panel's top margin, room for the "Create Group" button:
// trunc(64 * hs + 32 * hs), the sum truncated once.
int groupPanelTopMargin(double heightScale);
