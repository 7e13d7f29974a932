#include "view/text_fit.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>

#include <algorithm>

namespace text_fit {

namespace {

// Room left clear at each end, so no glyph touches the control's edge.
constexpr int kEndRoom = 2;

int roomOf(int width) { return std::max(0, width - 2 * kEndRoom); }

}  // namespace

int textWidth(const QFont& font, const QString& text) {
  const QFontMetrics metrics(font);
  return std::max(metrics.horizontalAdvance(text), metrics.boundingRect(text).width());
}

int fittingPixelSize(const QFont& font, const QString& text, int width, int designPixelSize,
                     int floorPixelSize) {
  QFont f = font;
  const int floor = std::max(1, std::min(floorPixelSize, designPixelSize));
  for (int size = std::max(1, designPixelSize); size > floor; --size) {
    f.setPixelSize(size);
    if (textWidth(f, text) <= width) return size;
  }
  return floor;
}

QString fittingText(const QFont& font, const QString& text, int width, Qt::TextElideMode mode) {
  if (textWidth(font, text) <= width) return text;
  return QFontMetrics(font).elidedText(text, mode, std::max(0, width));
}

void fitButton(QPushButton& button, const QString& text, int designPixelSize) {
  const int room = roomOf(button.width());
  QFont font = button.font();
  font.setPixelSize(fittingPixelSize(font, text, room, designPixelSize, designPixelSize * 2 / 3));
  button.setFont(font);
  const QString shown = fittingText(font, text, room, Qt::ElideRight);
  button.setText(shown);
  button.setToolTip(shown == text ? QString() : text);
}

void fitLabel(QLabel& label, const QString& text, int width, Qt::TextElideMode mode) {
  const int room = roomOf(width - label.contentsMargins().left());
  const QString shown = fittingText(label.font(), text, room, mode);
  label.setText(shown);
  label.setToolTip(text);
}

}  // namespace text_fit
