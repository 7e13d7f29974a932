// Arrows of the direction pad's keys.
#include "canvas.h"
#include "glyphs.h"


namespace assets::glyph {
namespace {

// A chevron pointing up, turned clockwise by `degrees`.
void chevron(QPainter& p, const QColor& ink, double degrees) {
  p.save();
  p.translate(50, 50);
  p.rotate(degrees);
  p.translate(-50, -50);
  p.setPen(roundPen(ink, 12));
  p.setBrush(Qt::NoBrush);
  p.drawPolyline(points({{24, 64}, {50, 36}, {76, 64}}));
  p.restore();
}

}  // namespace

void arrowUp(QPainter& p, const QColor& ink) { chevron(p, ink, 0); }
void arrowRight(QPainter& p, const QColor& ink) { chevron(p, ink, 90); }
void arrowDown(QPainter& p, const QColor& ink) { chevron(p, ink, 180); }
void arrowLeft(QPainter& p, const QColor& ink) { chevron(p, ink, 270); }

}  // namespace assets::glyph
