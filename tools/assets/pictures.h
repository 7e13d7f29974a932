#pragma once
// Pictures that are more than one symbol: the direction pad, the logo,
// the About background and the picture of a camera without a thumbnail.

#include "canvas.h"

namespace assets {

enum class PadQuarter { None, Up, Down, Left, Right };

// The round pad behind the four direction keys; the pressed key's quarter
// is lit in green. Drawn for 240 x 240 and scaled to the canvas.
Painting padBackground(PadQuarter pressed);

// A green camera body with a large lens, filling the canvas.
void logo(QPainter& p, const QSizeF& size);

// Soft light background with a faint lens on the left, where no text goes.
void aboutBackground(QPainter& p, const QSizeF& size);

// A grey camera on a light grey field.
void deviceDefault(QPainter& p, const QSizeF& size);

}  // namespace assets
