#include "animations.h"

#include "canvas.h"
#include "palette.h"

#include <QtMath>

namespace assets {
namespace {

struct Spinner {
  QSize size;
  QPointF centre;
  double radius = 0;     // of the ring the dots sit on
  double dotRadius = 0;  // of the head dot; the tail's dots shrink a little
  int dots = 0;          // also the number of frames
  QColor head, tail;
  QColor background;  // transparent: the animation is see-through
  int delayCentiseconds = 0;
};

// Colour of the dot `behind` steps behind the head.
QColor dotColour(const Spinner& s, int behind) {
  return blend(s.head, s.tail, static_cast<double>(behind) / (s.dots - 1));
}

QImage frame(const Spinner& s, int step) {
  return renderPicture(s.size, [&s, step](QPainter& p, const QSizeF& size) {
    p.fillRect(QRectF(QPointF(0, 0), size), s.background);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < s.dots; ++i) {
      const int behind = (step - i + s.dots) % s.dots;
      const double angle = 2 * M_PI * i / s.dots - M_PI / 2;  // dot 0 at twelve o'clock
      const QPointF at = s.centre + s.radius * QPointF(qCos(angle), qSin(angle));
      const double r = s.dotRadius * (1.0 - 0.35 * behind / (s.dots - 1));
      p.setBrush(dotColour(s, behind));
      p.drawEllipse(at, r, r);
    }
  });
}

// The dot colours, and on an opaque background their smooth edges: eight
// mixes of each dot colour with the background.
QVector<QRgb> palette(const Spinner& s) {
  QVector<QRgb> colours;
  const bool opaque = s.background.alpha() == 255;
  if (opaque) colours.append(s.background.rgb());
  for (int behind = 0; behind < s.dots; ++behind) {
    const QColor dot = dotColour(s, behind);
    if (!opaque) {
      colours.append(dot.rgb());
      continue;
    }
    for (int k = 1; k <= 8; ++k) colours.append(blend(s.background, dot, k / 8.0).rgb());
  }
  return colours;
}

GifAnimation animate(const Spinner& s) {
  GifAnimation gif;
  for (int step = 0; step < s.dots; ++step) gif.frames.append(frame(s, step));
  gif.palette = palette(s);
  gif.delayCentiseconds = s.delayCentiseconds;
  gif.transparent = s.background.alpha() != 255;
  return gif;
}

}  // namespace

GifAnimation loginAnimation() {
  // size, centre, ring radius, dot radius, dots, head, tail, background, delay
  return animate({QSize(640, 300), QPointF(320, 150), 64, 11, 12, kGreen, kGreyLight, kWhite, 8});
}

GifAnimation playingAnimation() {
  return animate({QSize(34, 42), QPointF(17, 21), 11.5, 3.6, 8, kGreen, kWhite, Qt::transparent, 10});
}

}  // namespace assets
