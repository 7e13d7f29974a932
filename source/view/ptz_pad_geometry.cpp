#include "view/ptz_pad_geometry.h"

QPoint ptzPadPosition(const QRect& viewGlobal, int barHeight, int padHeight) {
  return QPoint(viewGlobal.x(), viewGlobal.y() + viewGlobal.height() - barHeight - padHeight);
}

bool cursorStillOverVideo(const QPoint& cursor, const QRect& viewGlobal, int barHeight) {
  const int gx = viewGlobal.x(), gy = viewGlobal.y();
  return cursor.y() >= gy && cursor.x() >= gx && cursor.x() < gx + viewGlobal.width() &&
         cursor.y() < gy + viewGlobal.height() - 2 * barHeight;
}
