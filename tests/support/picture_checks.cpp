#include "picture_checks.h"

#include <cmath>
#include <cstdlib>
#include <set>

namespace testsupport {

namespace {

QPoint gridPoint(QRect area, int i, int j, int grid) {
  return QPoint(area.left() + area.width() * (2 * i + 1) / (2 * grid),
                area.top() + area.height() * (2 * j + 1) / (2 * grid));
}

}  // namespace

QString colourName(QColor c) {
  const QColor hsv = c.toHsv();
  if (hsv.hsvSaturation() < 110 || hsv.value() < 70) return QStringLiteral("grey");
  const int h = hsv.hsvHue();
  if (h < 30 || h >= 330) return QStringLiteral("red");
  if (h < 90) return QStringLiteral("yellow");
  if (h < 150) return QStringLiteral("green");
  if (h < 210) return QStringLiteral("cyan");
  if (h < 270) return QStringLiteral("blue");
  return QStringLiteral("magenta");
}

QStringList barsAlongRow(const QImage& shot, QRect area, double yFraction, int samples) {
  // A colour counts once two samples in a row show it: a sample on the edge
  // of two bars may show their blend (red and blue scaled together read as
  // magenta), which is no bar of the picture.
  QStringList bars;
  QString previous;
  const int y = area.top() + int(area.height() * yFraction);
  for (int i = 0; i < samples; ++i) {
    const QPoint p(area.left() + area.width() * (2 * i + 1) / (2 * samples), y);
    if (!shot.rect().contains(p)) continue;
    const QString name = colourName(shot.pixelColor(p));
    if (name == previous && name != QLatin1String("grey") && (bars.isEmpty() || bars.last() != name))
      bars << name;
    previous = name;
  }
  return bars;
}

AreaColours areaColours(const QImage& shot, QRect area, int grid) {
  AreaColours out;
  std::set<int> classes;
  for (int i = 0; i < grid; ++i) {
    for (int j = 0; j < grid; ++j) {
      const QPoint p = gridPoint(area, i, j, grid);
      if (!shot.rect().contains(p)) continue;
      const QColor c = shot.pixelColor(p);
      ++out.samples;
      out.black += c.red() < 24 && c.green() < 24 && c.blue() < 24;
      classes.insert((c.red() / 64) << 4 | (c.green() / 64) << 2 | (c.blue() / 64));
    }
  }
  out.classes = int(classes.size());
  return out;
}

double meanDifference(const QImage& a, QRect areaA, const QImage& b, QRect areaB, int grid) {
  double sum = 0;
  int n = 0;
  for (int i = 0; i < grid; ++i) {
    for (int j = 0; j < grid; ++j) {
      const QPoint pa = gridPoint(areaA, i, j, grid), pb = gridPoint(areaB, i, j, grid);
      if (!a.rect().contains(pa) || !b.rect().contains(pb)) continue;
      const QColor ca = a.pixelColor(pa), cb = b.pixelColor(pb);
      sum += (std::abs(ca.red() - cb.red()) + std::abs(ca.green() - cb.green()) +
              std::abs(ca.blue() - cb.blue())) / 3.0;
      ++n;
    }
  }
  return n ? sum / n : 0;
}

}  // namespace testsupport
