// Where the PTZ pad floats over a play view, and when the mouse has really
// left the video (all in global screen coordinates).
#pragma once

#include <QPoint>
#include <QRect>

// The pad's top-left corner: against the view's left edge, its bottom on the
// top of the button bar: (x, y + view height - bar height - pad height).
QPoint ptzPadPosition(const QRect& viewGlobal, int barHeight, int padHeight);

// The cursor is still over the video (for instance over the pad, which is a
// window of its own): inside the view's left, top and right edges and above
// a band of twice the bar height at its bottom. Leaving into that band (the
// button bar) counts as leaving.
bool cursorStillOverVideo(const QPoint& cursor, const QRect& viewGlobal, int barHeight);
