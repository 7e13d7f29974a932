// Sizes above which a stored file of the user's folder is not read: no
// config.json or group.dat the program writes comes near them, and reading
// (and logging) a huge file would hold the sign-in for a minute. A refused
// file counts as missing for reading and is never written over: it stays
// as it is for whoever wants to look at it.
#pragma once

#include <QString>

constexpr qint64 kConfigFileMaxBytes = qint64(1) << 20;  // config.json
constexpr qint64 kGroupFileMaxBytes = qint64(16) << 20;  // group.dat

// True, with a log line naming the file and its size, when the file at
// `path` exists and holds more than `maxBytes`.
bool storedFileTooLarge(const QString& path, qint64 maxBytes);
// The same without the log line.
bool storedFileOverLimit(const QString& path, qint64 maxBytes);
