#include "util_class/country_prefix.h"

QString countryCodePrefix(int code, const QList<int>& knownCodes) {
  if (!knownCodes.contains(code)) return QString();
  const unsigned u = static_cast<unsigned>(code);
  const char* zeros = u <= 9 ? "000" : u <= 99 ? "00" : u <= 199 ? "0" : "";
  return QLatin1String(zeros) + QString::number(code);
}
