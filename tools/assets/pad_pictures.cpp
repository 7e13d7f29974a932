// Backgrounds of the direction pad.
#include "palette.h"
#include "pictures.h"

#include <QPainterPath>

namespace assets {
namespace {

constexpr double kDesign = 240;
constexpr double kOuter = 117, kInner = 40;

// Qt angles: counter-clockwise from three o'clock.
double centreAngle(PadQuarter quarter) {
  switch (quarter) {
    case PadQuarter::Right: return 0;
    case PadQuarter::Up: return 90;
    case PadQuarter::Left: return 180;
    case PadQuarter::Down: return 270;
    case PadQuarter::None: break;
  }
  return 0;
}

QPainterPath ringSector(const QPointF& c, double from, double span) {
  const QRectF outer(c.x() - kOuter, c.y() - kOuter, 2 * kOuter, 2 * kOuter);
  const QRectF inner(c.x() - kInner, c.y() - kInner, 2 * kInner, 2 * kInner);
  QPainterPath path;
  path.arcMoveTo(outer, from);
  path.arcTo(outer, from, span);
  path.arcTo(inner, from + span, -span);
  path.closeSubpath();
  return path;
}

}  // namespace

Painting padBackground(PadQuarter pressed) {
  return [pressed](QPainter& p, const QSizeF& size) {
    p.save();
    p.scale(size.width() / kDesign, size.height() / kDesign);
    const QPointF c(kDesign / 2, kDesign / 2);
    p.setPen(QPen(kGreyLight, 2));
    p.setBrush(kWhite);
    p.drawEllipse(c, kOuter, kOuter);
    if (pressed != PadQuarter::None) {
      const double from = centreAngle(pressed) - 45;
      QColor lit = kGreen;
      lit.setAlpha(110);
      p.setPen(Qt::NoPen);
      p.setBrush(lit);
      p.drawPath(ringSector(c, from, 90));
      p.setPen(QPen(kGreen, 5, Qt::SolidLine, Qt::FlatCap));
      p.setBrush(Qt::NoBrush);
      const double r = kOuter - 2.5;
      p.drawArc(QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r), static_cast<int>(from * 16), 90 * 16);
    }
    // Dividers between the quarters and the hub.
    p.setPen(QPen(kGreyLight, 2));
    for (int k = 0; k < 4; ++k) {
      p.save();
      p.translate(c);
      p.rotate(45 + 90 * k);
      p.drawLine(QPointF(kInner, 0), QPointF(kOuter - 1, 0));
      p.restore();
    }
    p.setPen(Qt::NoPen);
    p.setBrush(kGreyLight);
    p.drawEllipse(c, kInner - 2, kInner - 2);
    p.setBrush(kWhite);
    p.drawEllipse(c, 14, 14);
    p.restore();
  };
}

}  // namespace assets
