#include "util_class/toast_placement.h"

double toast_relativeValue(double value) {
  if (!(value >= 0)) return -1.0;  // negative or NaN
  if (value > 1) return 1.0;
  return value;
}

std::optional<QPoint> toast_position(double relativeX, double relativeY, QSize reference,
                                     QSize own) {
  const auto placed = [](double v) { return v >= 0.0 && v <= 1.0; };  // false for -1 and NaN
  if (!placed(relativeX) || !placed(relativeY)) return std::nullopt;
  const double x = relativeX * reference.width() - own.width() * 0.5;
  const double y = relativeY * reference.height() - own.height() * 0.5;
  return QPoint(static_cast<int>(x), static_cast<int>(y));
}

std::optional<QPoint> toast_position(double relativeX, double relativeY, const QRect& area,
                                     QSize own) {
  const auto inside = toast_position(relativeX, relativeY, area.size(), own);
  if (!inside) return std::nullopt;
  return area.topLeft() + *inside;
}
