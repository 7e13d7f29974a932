// Where the render widget draws the picture: a 16:9 rectangle centred in
// the widget, whatever the frame's own size (the picture is stretched).
//   W = widget width, H = trunc(W * 9 * 0.0625) in single precision;
//   when the widget is lower than H: H = widget height,
//   W = trunc(H * 16 / 9) in single precision;
//   x = (width - W) / 2 when W < width, else 0; y likewise.
// The rectangle always lies inside the widget: a render widget has no title
// bar of its own, so nothing is added for one (an offset pushed the bottom
// rows of a full-screen picture off the widget).
#pragma once

#include <QRect>

QRect letterboxRect(int widgetWidth, int widgetHeight);
