// The program's one Qt message handler: every log line of every thread is
// appended to debug.txt beside the program, one formatted line per message.
// The log is bounded whatever the run length: once debug.txt holds
// kDebugLogBound bytes it becomes debug.old.txt (the one before goes) and
// a new debug.txt begins, so the two hold at most about twice the bound.
#pragma once

#include <QDateTime>
#include <QString>
#include <QtGlobal>

// Bytes of debug.txt at which it moves to debug.old.txt.
inline constexpr qint64 kDebugLogBound = 8 * 1024 * 1024;

// Path of the log file: the data folder followed by "/debug.txt".
QString debug_logFilePath();
// The generation before it: the data folder followed by "/debug.old.txt".
QString debug_oldLogFilePath();

// Deletes an earlier debug.txt and debug.old.txt (called by the program
// entry before the handler is installed).
void debug_removeOldLog();

// Tests: the bound in place of kDebugLogBound (0 or less: kDebugLogBound).
void debug_setLogBound(qint64 bytes);

// One log line without its "\r\n", for the given time.
QString debug_formatLine(QtMsgType type, const QMessageLogContext& context,
                         const QString& message, const QDateTime& now);

// The handler installed with qInstallMessageHandler.
void debug_messageHandler(QtMsgType type, const QMessageLogContext& context,
                          const QString& message);
