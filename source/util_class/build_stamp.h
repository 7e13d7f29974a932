// What the program says about itself at start-up: its version text (also
// shown by the About dialog) and when it was built, from the compiler's
// date and time stamps.
#pragma once

#include <QDate>
#include <QString>
#include <QTime>

inline constexpr const char* kCamviewerVersion = "1.0.210718.2";

// A compiler date stamp ("MMM dd yyyy", English month; a day below 10
// arrives as " d", e.g. "Jul  8 2021"). Invalid for anything else.
QDate buildDateFromStamp(const QString& stamp);

// A compiler time stamp ("hh:mm:ss"). Invalid for anything else.
QTime buildTimeFromStamp(const QString& stamp);

// This program's own build date and time (__DATE__, __TIME__).
QDate programBuildDate();
QTime programBuildTime();
