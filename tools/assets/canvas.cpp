#include "canvas.h"

#include <algorithm>

namespace assets {

QImage renderPicture(const QSize& size, const Painting& paint) {
  QImage image(size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  paint(painter, QSizeF(size));
  painter.end();
  return image;
}

void drawGlyph(QPainter& p, Glyph glyph, const QColor& ink, const QRectF& box) {
  p.save();
  p.translate(box.topLeft());
  p.scale(box.width() / 100.0, box.height() / 100.0);
  glyph(p, ink);
  p.restore();
}

Painting symbol(Glyph glyph, const QColor& ink) {
  return [glyph, ink](QPainter& p, const QSizeF& size) {
    const double side = std::min(size.width(), size.height());
    const QPointF corner((size.width() - side) / 2, (size.height() - side) / 2);
    drawGlyph(p, glyph, ink, QRectF(corner, QSizeF(side, side)));
  };
}

QPen roundPen(const QColor& colour, double width) {
  return QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void drawRing(QPainter& p, const QColor& ink, const QPointF& centre, double radius, double width) {
  p.setPen(QPen(ink, width));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(centre, radius, radius);
}

void fillDisc(QPainter& p, const QColor& ink, const QPointF& centre, double radius) {
  p.setPen(Qt::NoPen);
  p.setBrush(ink);
  p.drawEllipse(centre, radius, radius);
}

QPolygonF points(std::initializer_list<QPointF> list) { return QPolygonF(QVector<QPointF>(list)); }

QColor blend(const QColor& from, const QColor& to, double t) {
  const auto mix = [t](int a, int b) { return static_cast<int>(a + (b - a) * t + 0.5); };
  return QColor(mix(from.red(), to.red()), mix(from.green(), to.green()), mix(from.blue(), to.blue()),
                mix(from.alpha(), to.alpha()));
}

}  // namespace assets
