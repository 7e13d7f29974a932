#include "view/group_geometry.h"

#include "adapter_hardWare/AdapterHardware.h"

std::optional<GridCell> groupGridCell(int member) {
  if (member < 0 || member > 3) return std::nullopt;
  return GridCell{member / 2, member % 2};
}

QSize mosaicCellSize(double widthScale, double heightScale) {
  return QSize(AdapterHardware::scaled(392, widthScale) / 2,
               AdapterHardware::scaled(176, heightScale) / 2);
}

int groupPanelTopMargin(double heightScale) {
  return AdapterHardware::scaled(64 * heightScale + 32 * heightScale, 1.0);
}
