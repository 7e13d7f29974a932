// Placing a toast: its centre at a fraction of a reference area (the
// parent widget, or the primary screen for a top-level toast).
#pragma once

#include <QPoint>
#include <QSize>
#include <optional>

// A relative coordinate as the toast stores it: below 0 becomes -1 (which
// switches placing off), above 1 becomes 1, values in between stay. NaN
// also becomes -1.
double clampToastRelative(double value);

// Top-left corner for relative centre (rx, ry): rx * reference width -
// own width * 0.5, and the same for y, each truncated toward zero.
// None when rx or ry is -1 (the toast keeps its position); so is any value
// outside [0, 1] that did not pass through clampToastRelative.
std::optional<QPoint> toastPosition(double rx, double ry, const QSize& reference, const QSize& own);
