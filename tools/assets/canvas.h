#pragma once
// Painting helpers shared by the pictures: a transparent canvas with
// smooth edges, and a 100 x 100 unit box for symbols.

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPolygonF>
#include <QSize>

#include <functional>
#include <initializer_list>

namespace assets {

// Draws one picture on a canvas of the given size.
using Painting = std::function<void(QPainter&, const QSizeF&)>;

// A symbol drawn in a 100 x 100 box with one ink colour.
using Glyph = void (*)(QPainter&, const QColor&);

// A transparent ARGB picture of `size` painted by `paint` with antialiasing.
QImage renderPicture(const QSize& size, const Painting& paint);

// Draws `glyph` with its 100 x 100 box fitted into the square `box`.
void drawGlyph(QPainter& p, Glyph glyph, const QColor& ink, const QRectF& box);

// A painting that draws `glyph` in a 100 x 100 box centred on the canvas
// and scaled to its shorter side.
Painting symbol(Glyph glyph, const QColor& ink);

// A pen of round caps and joins.
QPen roundPen(const QColor& colour, double width);

// An outlined circle and a filled one.
void drawRing(QPainter& p, const QColor& ink, const QPointF& centre, double radius, double width);
void fillDisc(QPainter& p, const QColor& ink, const QPointF& centre, double radius);

// A polygon or polyline through the given points.
QPolygonF points(std::initializer_list<QPointF> list);

// The mix of two colours: t = 0 gives `from`, t = 1 gives `to`.
QColor blend(const QColor& from, const QColor& to, double t);

}  // namespace assets
