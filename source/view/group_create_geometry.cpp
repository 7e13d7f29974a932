#include "view/group_create_geometry.h"

#include "adapter_hardWare/AdapterHardware.h"

GroupCreateGeometry groupCreateGeometry(double ws, double hs, int cellCount) {
  auto x = [ws](double v) { return AdapterHardware::scaled(v, ws); };
  auto y = [hs](double v) { return AdapterHardware::scaled(v, hs); };
  GroupCreateGeometry g;
  g.dialog = QSize(x(864), y(555));
  const int w = g.dialog.width();
  g.half = w / 2;
  g.input = QSize(g.half - 30, y(56));
  g.namePos = QPoint(w / 4 - g.input.width() / 2, y(467));
  g.buttonPos = QPoint(w / 2 + w / 4 - g.input.width() / 2, y(467));
  g.rows = (cellCount + 1) / 2;
  g.cell = QSize(x(392), y(232));
  g.cellArea = QSize(w, g.rows * g.cell.height() + y(88));
  g.picture = QSize(x(392), y(176));
  g.nameLabel = QRect(0, y(176), x(350), y(56));
  g.orderLabel = QRect(x(350), y(176), x(42), y(56));
  g.fontPixels = x(24);
  return g;
}

QPoint groupCreatePosition(int x, int y, double ws, double hs) {
  return QPoint(AdapterHardware::scaled(x, ws), AdapterHardware::scaled(y, hs));
}
