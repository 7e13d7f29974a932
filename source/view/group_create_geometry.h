// Where the group creation dialog puts things, in pixels, from the design
// sizes (864 x 555 dialog, 392 x 232 camera cells in two columns) and the
// screen scale factors (ws for x and fonts, hs for y), each value truncated
// on its own.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

struct GroupCreateGeometry {
  QSize dialog;         // the dialog and its scroll area
  int half = 0;         // C: half the dialog width, the minimum column width
  QSize input;          // name field and create button: (C - 30, 56 hs)
  QPoint namePos;       // name field, centred in the left half
  QPoint buttonPos;     // create button, centred in the right half
  int rows = 0;         // rows of two cells, the last one may hold one
  QSize cellArea;       // the scrolled widget: dialog width x rows of cells + 88 hs
  QSize cell;           // a camera cell
  QSize picture;        // its picture at (0, 0)
  QRect nameLabel;      // its camera name, under the picture
  QRect orderLabel;     // its selection number, right of the name
  int fontPixels = 0;   // the name label's and the create button's font
};

GroupCreateGeometry groupCreateGeometry(double ws, double hs, int cellCount);

// The dialog's position for an unscaled (x, y): (x ws, y hs), truncated.
QPoint groupCreatePosition(int x, int y, double ws, double hs);
