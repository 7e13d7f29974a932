// Where a toast goes: its centre at a fraction of a reference area (its
// parent; for a toast of its own the window that raised it, or the primary
// screen when there is none).
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

#include <optional>

// A relative position as stored: below 0 becomes -1 ("not placed"), above 1
// becomes 1, values in between stay. NaN also becomes -1.
double toast_relativeValue(double value);

// Top-left corner that puts the centre of a toast of `own` size at
// (relativeX, relativeY) of `reference`, each coordinate cut toward zero;
// nothing when either fraction is outside [0, 1] (-1, "not placed", or a
// NaN or other value that did not pass through toast_relativeValue).
std::optional<QPoint> toast_position(double relativeX, double relativeY, QSize reference,
                                     QSize own);

// The same for a reference area anywhere on the desktop (a window's frame
// in screen coordinates): the top-left corner in that area's coordinates.
std::optional<QPoint> toast_position(double relativeX, double relativeY, const QRect& area,
                                     QSize own);
