#include "util_class/log_excerpt.h"

namespace {

QString cut(const QString& text, int keep, qint64 whole, const char* unit) {
  if (text.size() <= keep) return text;
  // A surrogate pair is never split.
  if (keep > 0 && text.at(keep - 1).isHighSurrogate()) --keep;
  return text.left(keep) + QStringLiteral(" ... [cut, %1 %2 in all]").arg(whole).arg(QLatin1String(unit));
}

}  // namespace

QString logExcerpt(const QString& text, qint64 wholeBytes) {
  return cut(text, kLogExcerptChars, wholeBytes, "bytes");
}

QString logMessageCut(const QString& message) {
  return cut(message, kLogMessageChars, message.size(), "characters");
}
