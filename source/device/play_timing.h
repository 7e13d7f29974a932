// Timing texts and periods of a camera's play.
#pragma once

#include <QString>
#include <QtGlobal>

// Display tick for a stream announcing `fps` frames per second:
// 1000 / (fps + 3) ms (25 -> 35, 15 -> 55, 0 -> 333, 255 -> 3). The camera
// sends fps as one byte; values outside 0-255 are taken as the nearest end,
// so the period is never a division by zero or a 0 ms busy timer.
int sdlRefreshTimeForFps(int fps);

// The record-time badge after `seconds` timer ticks: "hh:mm:ss", each field
// two digits at least, hours growing past 99 ("100:00:00"). Negative counts
// show "00:00:00".
QString recordTimeText(qint64 seconds);
