#include "view/letterbox.h"

QRect letterboxRect(int widgetWidth, int widgetHeight) {
  int w = widgetWidth;
  int h = static_cast<int>(static_cast<float>(w) * 9.0f * 0.0625f);
  if (widgetHeight < h) {
    h = widgetHeight;
    w = static_cast<int>(static_cast<float>(h) * 16.0f / 9.0f);
  }
  const int x = w <= widgetWidth - 1 ? (widgetWidth - w) / 2 : 0;
  const int y = h <= widgetHeight - 1 ? (widgetHeight - h) / 2 : 0;
  return QRect(x, y, w, h);
}
