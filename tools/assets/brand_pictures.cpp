// The logo, the About background and the default camera picture.
#include "glyphs.h"
#include "palette.h"
#include "pictures.h"

#include <QLinearGradient>

#include <algorithm>

namespace assets {
namespace {

// Concentric rings of a lens centred at c with outer radius r.
void lens(QPainter& p, const QPointF& c, double r) {
  fillDisc(p, kWhite, c, r);
  fillDisc(p, kDark, c, r * 0.78);
  fillDisc(p, kGreyDark, c, r * 0.42);
  fillDisc(p, QColor(255, 255, 255, 210), c - QPointF(r * 0.28, r * 0.28), r * 0.16);
}

}  // namespace

void logo(QPainter& p, const QSizeF& size) {
  const double w = size.width(), h = size.height();
  const double side = std::min(w, h);
  const QRectF body(w * 0.03, h * 0.09, w * 0.94, h * 0.82);
  p.setPen(Qt::NoPen);
  p.setBrush(kGreen);
  p.drawRoundedRect(body, side * 0.2, side * 0.2);
  lens(p, body.center(), side * 0.33);
  fillDisc(p, kWhite, QPointF(body.right() - side * 0.15, body.top() + side * 0.15), side * 0.05);
}

void aboutBackground(QPainter& p, const QSizeF& size) {
  QLinearGradient wash(0, 0, size.width(), size.height());
  wash.setColorAt(0, blend(kWhite, kGreen, 0.14));
  wash.setColorAt(0.45, blend(kWhite, kGreyLight, 0.35));
  wash.setColorAt(1, kWhite);
  p.fillRect(QRectF(QPointF(0, 0), size), wash);
  const QPointF c(size.width() * 0.18, size.height() * 0.5);
  const double r = size.height() * 0.36;
  for (const auto& [scale, colour] : {std::pair{1.25, blend(kWhite, kGreen, 0.10)},
                                      std::pair{1.0, blend(kWhite, kGreen, 0.35)},
                                      std::pair{0.78, blend(kWhite, kGreyLight, 0.6)},
                                      std::pair{0.42, blend(kWhite, kGreen, 0.25)}}) {
    fillDisc(p, colour, c, r * scale);
  }
  fillDisc(p, QColor(255, 255, 255, 180), c - QPointF(r * 0.28, r * 0.28), r * 0.14);
}

void deviceDefault(QPainter& p, const QSizeF& size) {
  p.fillRect(QRectF(QPointF(0, 0), size), kGreyLight);
  const double side = size.height() * 0.6;
  const QPointF corner((size.width() - side) / 2, (size.height() - side) / 2);
  drawGlyph(p, glyph::camera, kGreyMid, QRectF(corner, QSizeF(side, side)));
}

}  // namespace assets
