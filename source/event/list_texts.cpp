#include "event/list_texts.h"

QString deviceCountText(int count) {
  return QString::number(count) +
         (count < 2 ? QStringLiteral(" device") : QStringLiteral(" devices"));
}
