#include "util_class/utc_offset.h"

int utcOffsetMinutes(const QDateTime& moment) { return moment.offsetFromUtc() / 60; }

int currentUtcOffsetMinutes() { return utcOffsetMinutes(QDateTime::currentDateTime()); }
