#include "view/toast_geometry.h"

double clampToastRelative(double value) {
  if (!(value >= 0.0)) return -1.0;  // negative or NaN
  return value > 1.0 ? 1.0 : value;
}

std::optional<QPoint> toastPosition(double rx, double ry, const QSize& reference,
                                    const QSize& own) {
  const auto placed = [](double v) { return v >= 0.0 && v <= 1.0; };  // false for -1, NaN
  if (!placed(rx) || !placed(ry)) return std::nullopt;
  const double x = rx * reference.width() - own.width() * 0.5;
  const double y = ry * reference.height() - own.height() * 0.5;
  return QPoint(static_cast<int>(x), static_cast<int>(y));
}
