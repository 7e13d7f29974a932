#include "util_class/toast_placement.h"

double toast_relativeValue(double value) {
  if (value < 0) return -1.0;
  if (value > 1) return 1.0;
  return value;
}

std::optional<QPoint> toast_position(double relativeX, double relativeY, QSize reference,
                                     QSize own) {
  if (relativeX == -1.0 || relativeY == -1.0) return std::nullopt;
  const double x = relativeX * reference.width() - own.width() * 0.5;
  const double y = relativeY * reference.height() - own.height() * 0.5;
  return QPoint(static_cast<int>(x), static_cast<int>(y));
}
