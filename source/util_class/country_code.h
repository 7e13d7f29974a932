// The country table of countrycode.json (shipped beside the program): one
// entry per country with its calling code and its names. The sign-in dialog
// and the country picker read it through the main window's CountryCode_List.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

struct CountryCode {
  int code = -1;  // calling code; -1 when the entry has none
  QString zht;
  QString en;
  QString locale;
  QString zhs;
};

using CountryCodeList = QList<CountryCode*>;

// The table in `fileBytes`: the text up to the first NUL byte, parsed as
// JSON. Null when it does not parse; otherwise one entry per element of the
// "countrycodes" array in file order (a missing array gives an empty list).
// "code": a number's integer part (cut toward zero), true reads 1, any other
// value 0, missing -1; "zht", "en", "locale", "zhs": strings, anything else
// empty. The caller owns the list and its entries (countryCodeList_free).
CountryCodeList* countryCodeList_fromJson(const QByteArray& fileBytes);

// Deletes every entry and the list; null does nothing.
void countryCodeList_free(CountryCodeList* list);
