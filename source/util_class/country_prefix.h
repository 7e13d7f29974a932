// The country calling code as it leads a phone user name at sign-in.
#pragma once

#include <QList>
#include <QString>

// The padded code for `code` when it is one of `knownCodes`, else "":
// "000" + code for 0-9, "00" for 10-99, "0" for 100-199, no zeros above
// (86 -> "0086", 852 -> "852"). Codes are compared unsigned, so a negative
// code gets no zeros.
QString countryCodePrefix(int code, const QList<int>& knownCodes);
