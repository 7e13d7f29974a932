#include "view/country_filter.h"

QList<int> filterCountries(const QStringList& englishNames, const QString& filter) {
  QList<int> shown;
  for (int i = 0; i < englishNames.size(); ++i) {
    if (filter.isEmpty() || englishNames[i].indexOf(filter, 0, Qt::CaseInsensitive) >= 0) {
      shown << i;
    }
  }
  return shown;
}

QString countryButtonText(const QString& englishName, int code) {
  return englishName + QStringLiteral("    +") + QString::number(code);
}

int countryForDone(const QStringList& englishNames, const QString& filterText) {
  return englishNames.indexOf(filterText.trimmed());
}
