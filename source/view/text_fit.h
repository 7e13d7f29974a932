// Texts that fit their controls under whatever fonts the platform has (the
// program asks for "Segoe UI"; here another family stands in, with other
// widths). A control keeps its place and size: its font is made smaller, a
// pixel at a time, down to a floor, and what still does not fit is cut with
// an ellipsis. Measured with the font's own metrics, so every screen scale
// and every family gets the same treatment.
#pragma once

#include <QFont>
#include <QString>
#include <Qt>

class QLabel;
class QPushButton;

namespace text_fit {

// The width `text` takes in `font`: its advance or its ink, whichever is wider.
int textWidth(const QFont& font, const QString& text);

// The largest pixel size from `designPixelSize` down to `floorPixelSize` at
// which `text` in `font` (its family and weight) takes at most `width`
// pixels; `floorPixelSize` when none does.
int fittingPixelSize(const QFont& font, const QString& text, int width, int designPixelSize,
                     int floorPixelSize);

// `text` as it fits `width` pixels in `font`: itself, or cut with an
// ellipsis at `mode`.
QString fittingText(const QFont& font, const QString& text, int width, Qt::TextElideMode mode);

// A one-line control's text: the font at `designPixelSize` or as much
// smaller as it takes (down to two thirds of it), elided at the right when
// even that is too wide. The full text is the control's tool tip when it
// had to be cut.
void fitButton(QPushButton& button, const QString& text, int designPixelSize);
// A label whose text must end at `width` pixels from its left (a control
// sits over the rest): elided at `mode`; the full text is always its tool tip.
void fitLabel(QLabel& label, const QString& text, int width, Qt::TextElideMode mode);

}  // namespace text_fit
