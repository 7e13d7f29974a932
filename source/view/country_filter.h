// The country picker's rules, without a window: which countries a filter
// text shows, what a country button reads, and which entry "Done" picks.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// Indices of the names that contain `filter` (case-insensitive), in table
// order; every index for an empty filter.
QList<int> filterCountries(const QStringList& englishNames, const QString& filter);

// "N    +C": the name, four blanks, "+" and the code.
QString countryButtonText(const QString& englishName, int code);

// "Done": the first entry whose name equals the trimmed text exactly
// (case-sensitive); -1 for none.
int countryForDone(const QStringList& englishNames, const QString& filterText);
