// Symbols of the navigation column, the user menu and the lists.
#include "canvas.h"
#include "glyphs.h"
#include "palette.h"

#include <QPainterPath>
#include <QTransform>

namespace assets::glyph {
namespace {

void personShape(QPainter& p, const QColor& ink, const QPointF& head, double scale) {
  p.setPen(Qt::NoPen);
  p.setBrush(ink);
  p.drawEllipse(head, 15 * scale, 15 * scale);
  // Shoulders: the upper half of a wide ellipse.
  const double w = 60 * scale, h = 56 * scale;
  const QRectF shoulders(head.x() - w / 2, head.y() + 22 * scale, w, h);
  p.drawChord(shoulders, 0, 180 * 16);
}

}  // namespace

// A video camera: body and the cone of its lens.
void camera(QPainter& p, const QColor& ink) {
  p.setPen(roundPen(ink, 5));
  p.setBrush(ink);
  p.drawRoundedRect(QRectF(10, 30, 56, 40), 8, 8);
  p.drawPolygon(points({{70, 46}, {90, 32}, {90, 68}, {70, 54}}));
}

void quadGrid(QPainter& p, const QColor& ink) {
  p.setPen(Qt::NoPen);
  p.setBrush(ink);
  for (double x : {12.0, 54.0}) {
    for (double y : {12.0, 54.0}) p.drawRoundedRect(QRectF(x, y, 34, 34), 6, 6);
  }
}

void gear(QPainter& p, const QColor& ink) {
  QPainterPath wheel;
  wheel.addEllipse(QPointF(50, 50), 31, 31);
  for (int tooth = 0; tooth < 8; ++tooth) {
    QPainterPath t;
    t.addRoundedRect(QRectF(-8, -44, 16, 20), 3, 3);
    wheel = wheel.united(QTransform().translate(50, 50).rotate(45.0 * tooth).map(t));
  }
  QPainterPath hole;
  hole.addEllipse(QPointF(50, 50), 13, 13);
  p.setPen(Qt::NoPen);
  p.setBrush(ink);
  p.drawPath(wheel.subtracted(hole));
}

void person(QPainter& p, const QColor& ink) { personShape(p, ink, QPointF(50, 32), 1.0); }

void avatar(QPainter& p, const QColor& ink) {
  QPainterPath disc;
  disc.addEllipse(QPointF(50, 50), 48, 48);
  p.setPen(Qt::NoPen);
  p.setBrush(kGreyLight);
  p.drawPath(disc);
  p.save();
  p.setClipPath(disc);
  personShape(p, ink, QPointF(50, 38), 1.1);
  p.restore();
}

// The letter i in a ring.
void info(QPainter& p, const QColor& ink) {
  drawRing(p, ink, QPointF(50, 50), 40, 7);
  fillDisc(p, ink, QPointF(50, 30), 6);
  p.drawRoundedRect(QRectF(44.5, 42, 11, 34), 4, 4);
}

// An open door frame and an arrow leaving it.
void signOut(QPainter& p, const QColor& ink) {
  p.setPen(roundPen(ink, 7));
  p.setBrush(Qt::NoBrush);
  p.drawPolyline(points({{58, 32}, {58, 16}, {18, 16}, {18, 84}, {58, 84}, {58, 68}}));
  p.drawLine(QPointF(38, 50), QPointF(86, 50));
  p.drawPolyline(points({{72, 36}, {86, 50}, {72, 64}}));
}

void trash(QPainter& p, const QColor& ink) {
  p.setPen(roundPen(ink, 7));
  p.setBrush(Qt::NoBrush);
  p.drawLine(QPointF(16, 24), QPointF(84, 24));                         // lid
  p.drawPolyline(points({{40, 24}, {42, 12}, {58, 12}, {60, 24}}));  // handle
  p.drawPolygon(points({{26, 34}, {74, 34}, {70, 88}, {30, 88}}));   // can
  p.setPen(roundPen(ink, 5));
  for (double x : {43.0, 57.0}) p.drawLine(QPointF(x, 46), QPointF(x, 76));
}

void boxTicked(QPainter& p, const QColor& ink) {
  p.setPen(Qt::NoPen);
  p.setBrush(ink);
  p.drawRoundedRect(QRectF(8, 8, 84, 84), 16, 16);
  p.setPen(roundPen(kWhite, 11));
  p.setBrush(Qt::NoBrush);
  p.drawPolyline(points({{27, 52}, {44, 68}, {74, 35}}));
}

void boxEmpty(QPainter& p, const QColor& ink) {
  p.setPen(QPen(ink, 7));
  p.setBrush(Qt::NoBrush);
  p.drawRoundedRect(QRectF(11.5, 11.5, 77, 77), 14, 14);
}

}  // namespace assets::glyph
