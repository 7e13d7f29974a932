#include "util_class/build_stamp.h"

#include <QLocale>

QDate buildDateFromStamp(const QString& stamp) {
  QString text = stamp;
  text.replace(QStringLiteral("  "), QStringLiteral(" 0"));
  return QLocale(QLocale::English, QLocale::UnitedStates)
      .toDate(text, QStringLiteral("MMM dd yyyy"));
}

QTime buildTimeFromStamp(const QString& stamp) {
  return QTime::fromString(stamp, QStringLiteral("hh:mm:ss"));
}

QDate programBuildDate() { return buildDateFromStamp(QStringLiteral(__DATE__)); }

QTime programBuildTime() { return buildTimeFromStamp(QStringLiteral(__TIME__)); }
