// The program's one Qt message handler: every log line of every thread is
// appended to debug.txt beside the program, one formatted line per message.
#pragma once

#include <QDateTime>
#include <QString>
#include <QtGlobal>

// Path of the log file: the data folder followed by "/debug.txt".
QString debug_logFilePath();

// Deletes an earlier debug.txt (called by the program entry before the
// handler is installed).
void debug_removeOldLog();

// One log line without its "\r\n", for the given time.
QString debug_formatLine(QtMsgType type, const QMessageLogContext& context,
                         const QString& message, const QDateTime& now);

// The handler installed with qInstallMessageHandler.
void debug_messageHandler(QtMsgType type, const QMessageLogContext& context,
                          const QString& message);
