// Symbols of the play view's button bar.
#include "canvas.h"
#include "glyphs.h"

#include <QPainterPath>

namespace assets::glyph {
namespace {

// Filled shape with softly rounded corners.
void fillRounded(QPainter& p, const QPolygonF& shape, const QColor& ink) {
  p.setPen(roundPen(ink, 6));
  p.setBrush(ink);
  p.drawPolygon(shape);
}

// The four corner marks of a frame: each an L with its corner at (near, near)
// and arms reaching to `far` (inward marks have far < near).
void corners(QPainter& p, const QColor& ink, double near, double far, double width) {
  p.setPen(roundPen(ink, width));
  p.setBrush(Qt::NoBrush);
  for (int quadrant = 0; quadrant < 4; ++quadrant) {
    p.save();
    p.translate(50, 50);
    p.rotate(90.0 * quadrant);
    p.translate(-50, -50);
    p.drawPolyline(points({{near, far}, {near, near}, {far, near}}));
    p.restore();
  }
}

void speakerBody(QPainter& p, const QColor& ink) {
  fillRounded(p, points({{14, 38}, {30, 38}, {52, 20}, {52, 80}, {30, 62}, {14, 62}}), ink);
}

}  // namespace

void play(QPainter& p, const QColor& ink) { fillRounded(p, points({{32, 20}, {32, 80}, {80, 50}}), ink); }

void stop(QPainter& p, const QColor& ink) {
  p.setPen(Qt::NoPen);
  p.setBrush(ink);
  p.drawRoundedRect(QRectF(24, 24, 52, 52), 7, 7);
}

// A small photo camera inside the corner marks of a picture frame.
void screenshot(QPainter& p, const QColor& ink) {
  corners(p, ink, 12, 28, 6);
  QPainterPath body;
  body.addRoundedRect(QRectF(27, 36, 46, 32), 6, 6);
  body.addRoundedRect(QRectF(40, 30, 20, 10), 3, 3);
  body = body.simplified();
  QPainterPath lens;
  lens.addEllipse(QPointF(50, 52), 9, 9);
  p.setPen(Qt::NoPen);
  p.setBrush(ink);
  p.drawPath(body.subtracted(lens));
  fillDisc(p, ink, QPointF(50, 52), 4.5);
}

void record(QPainter& p, const QColor& ink) {
  drawRing(p, ink, QPointF(50, 50), 36, 7);
  fillDisc(p, ink, QPointF(50, 50), 21);
}

void speakerOn(QPainter& p, const QColor& ink) {
  speakerBody(p, ink);
  p.setPen(roundPen(ink, 6));
  p.setBrush(Qt::NoBrush);
  for (double r : {14.0, 28.0}) {
    p.drawArc(QRectF(52 - r, 50 - r, 2 * r, 2 * r), -45 * 16, 90 * 16);
  }
}

void speakerOff(QPainter& p, const QColor& ink) {
  speakerBody(p, ink);
  p.setPen(roundPen(ink, 7));
  p.drawLine(QPointF(64, 38), QPointF(86, 62));
  p.drawLine(QPointF(86, 38), QPointF(64, 62));
}

void fullScreen(QPainter& p, const QColor& ink) { corners(p, ink, 16, 38, 8); }

void smallScreen(QPainter& p, const QColor& ink) { corners(p, ink, 40, 16, 8); }

}  // namespace assets::glyph
