#include "util_class/user_folder_name.h"

#include <QByteArray>
#include <QCryptographicHash>

#include "util_class/safe_file_name.h"

namespace {

constexpr int kHashHexDigits = 16;
const char kCutMark[] = "%~";

bool needsEscape(uint c) {
  return c == '/' || c == '\\' || c == '%' || c < 0x20 || c == 0x7f || (c >= 0x80 && c < 0xa0);
}

QByteArray escaped(const QByteArray& bytes) {
  QByteArray out;
  for (const char byte : bytes) out += '%' + QByteArray(1, byte).toHex().toUpper();
  return out;
}

// One character (a code point, or a lone surrogate) as it appears in the
// folder name. A lone surrogate has no UTF-8 form: it is written as the
// escaped three bytes it would take, which no other character gives.
QByteArray encodeCharacter(const QString& character) {
  if (character.size() == 2) return character.toUtf8();
  const uint c = character.at(0).unicode();
  if (QChar::isSurrogate(c)) {
    const char bytes[] = {char(0xE0 | (c >> 12)), char(0x80 | ((c >> 6) & 0x3F)), char(0x80 | (c & 0x3F))};
    return escaped(QByteArray(bytes, 3));
  }
  return needsEscape(c) ? escaped(character.toUtf8()) : character.toUtf8();
}

}  // namespace

QString user_folder_name(const QString& userName) {
  if (userName.isEmpty()) return QStringLiteral("%");
  if (userName == QLatin1String(".")) return QStringLiteral("%2E");
  if (userName == QLatin1String("..")) return QStringLiteral("%2E%2E");

  const QByteArray hash = QCryptographicHash::hash(userName.toUtf8(), QCryptographicHash::Sha256)
                              .toHex()
                              .left(kHashHexDigits);
  const int cutRoom = kMaxFileNameBytes - int(sizeof(kCutMark) - 1) - kHashHexDigits;
  QByteArray whole;
  int cutAt = -1;  // length of `whole` at the last character that fits a cut name
  for (int i = 0; i < userName.size();) {
    const int units = userName.at(i).isHighSurrogate() && i + 1 < userName.size() &&
                              userName.at(i + 1).isLowSurrogate()
                          ? 2
                          : 1;
    const QByteArray piece = encodeCharacter(userName.mid(i, units));
    if (whole.size() + piece.size() <= cutRoom) cutAt = whole.size() + piece.size();
    whole += piece;
    i += units;
    if (whole.size() > kMaxFileNameBytes) break;
  }
  if (whole.size() <= kMaxFileNameBytes) return QString::fromUtf8(whole);
  return QString::fromUtf8(whole.left(cutAt < 0 ? 0 : cutAt) + kCutMark + hash);
}
