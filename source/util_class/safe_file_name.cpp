#include "util_class/safe_file_name.h"

namespace {

QString replaceUnsafe(const QString& name) {
  QString out;
  out.reserve(name.size());
  for (const QChar c : name) {
    const ushort u = c.unicode();
    const bool unsafe = c == QLatin1Char('/') || c == QLatin1Char('\\') || u < 0x20 || u == 0x7f ||
                        (u >= 0x80 && u < 0xa0);
    out.append(unsafe ? QChar(QLatin1Char('_')) : c);
  }
  return out;
}

QString capUtf8(const QString& name) {
  if (name.toUtf8().size() <= kMaxFileNameBytes) return name;
  QString out;
  int bytes = 0;
  for (int i = 0; i < name.size();) {
    const int len = (name.at(i).isHighSurrogate() && i + 1 < name.size()) ? 2 : 1;
    const int add = name.mid(i, len).toUtf8().size();
    if (bytes + add > kMaxFileNameBytes) break;
    out.append(name.mid(i, len));
    bytes += add;
    i += len;
  }
  return out;
}

}  // namespace

QString safe_file_name(const QString& name, const QString& fallback) {
  QString out = name;
  if (out.isEmpty() || out == QLatin1String(".") || out == QLatin1String("..")) out = fallback;
  out = capUtf8(replaceUnsafe(out));
  if (out.isEmpty() || out == QLatin1String(".") || out == QLatin1String("..")) {
    out = QStringLiteral("_");
  }
  return out;
}
