// The local offset from UTC that every cloud request carries, in minutes
// (east positive), cut toward zero.
#pragma once

#include <QDateTime>

int utcOffsetMinutes(const QDateTime& moment);

// The offset of the current local date and time.
int currentUtcOffsetMinutes();
