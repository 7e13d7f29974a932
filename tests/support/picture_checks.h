// Reading pictures back from the screen: what colours an area of a
// grabbed window shows, the order of the colour bars along a row, whether
// an area is flat (nothing drawn), and how different two areas are.
#pragma once

#include <QColor>
#include <QImage>
#include <QRect>
#include <QStringList>

namespace testsupport {

// "red", "yellow", "green", "cyan", "blue", "magenta" by hue for a clearly
// coloured pixel; "grey" for one without much colour.
QString colourName(QColor c);

// The colour names met along the row at `yFraction` of `area` (n samples;
// a colour counts from two samples in a row), repeats and greys left out:
// the bars of a colour-bar picture from left to right.
QStringList barsAlongRow(const QImage& shot, QRect area, double yFraction, int samples = 200);

// Coarse colour classes (4 levels per channel) over a grid of samples in
// `area`, and how many of the samples are near black.
struct AreaColours {
  int samples = 0;
  int classes = 0;
  int black = 0;
};
AreaColours areaColours(const QImage& shot, QRect area, int grid = 16);

// The mean difference (0-255) of the same grid of samples in two areas of
// the same size.
double meanDifference(const QImage& a, QRect areaA, const QImage& b, QRect areaB, int grid = 16);

}  // namespace testsupport
