#include "util_class/debug_message_handler.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QTextStream>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "util_class/app_paths.h"
#include "util_class/log_excerpt.h"
#include "util_class/private_files.h"

namespace {

const char* levelName(QtMsgType type) {
  switch (type) {
    case QtDebugMsg: return "Debug";
    case QtInfoMsg: return "Info";
    case QtWarningMsg: return "Warning";
    case QtCriticalMsg: return "Critical";
    case QtFatalMsg: return "Fatal";
  }
  return "Debug";
}

// Set while this thread is inside the handler: a message raised by the file
// or stream classes in here goes to standard error instead of recursing.
thread_local bool t_inHandler = false;

std::atomic<qint64> g_bound{kDebugLogBound};

// Under the handler's lock, after a line went into `fd`: a full log makes
// way for a new one.
void rotateWhenFull(int fd, const QString& path) {
  struct stat st {};
  if (::fstat(fd, &st) != 0 || st.st_size < g_bound.load()) return;
  // rename() drops the older generation in the same step.
  if (std::rename(QFile::encodeName(path).constData(),
                  QFile::encodeName(debug_oldLogFilePath()).constData()) != 0)
    std::fprintf(stderr, "debug.txt could not be moved to debug.old.txt\n");
}

}  // namespace

QString debug_logFilePath() { return app_paths::dataDir() + QStringLiteral("/debug.txt"); }

QString debug_oldLogFilePath() { return app_paths::dataDir() + QStringLiteral("/debug.old.txt"); }

void debug_removeOldLog() {
  QFile::remove(debug_logFilePath());
  QFile::remove(debug_oldLogFilePath());
}

void debug_setLogBound(qint64 bytes) { g_bound = bytes > 0 ? bytes : kDebugLogBound; }

QString debug_formatLine(QtMsgType type, const QMessageLogContext& context,
                         const QString& message, const QDateTime& now) {
  // "%1: <Level>:\t%2 (file:%3, line:%4, func: %5)", filled in one pass so a
  // message that itself contains "%3" and the like is written unchanged.
  QString line;
  line.reserve(message.size() + 96);
  line += now.toString(QStringLiteral("[ yyyy-MM-dd HH:mm:ss:zzz ]"));
  line += QLatin1String(": ");
  line += QLatin1String(levelName(type));
  line += QLatin1String(":\t");
  line += message;
  line += QLatin1String(" (file:");
  line += QString::fromUtf8(context.file ? context.file : "");
  line += QLatin1String(", line:");
  line += QString::number(context.line);
  line += QLatin1String(", func: ");
  line += QString::fromUtf8(context.function ? context.function : "");
  line += QLatin1Char(')');
  return line;
}

void debug_messageHandler(QtMsgType type, const QMessageLogContext& context,
                          const QString& message) {
  if (t_inHandler) {
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
    return;
  }
  static std::mutex mutex;
  {
    std::lock_guard<std::mutex> lock(mutex);
    t_inHandler = true;
    const QDateTime now = QDateTime::currentDateTime();
    const QString path = debug_logFilePath();
    unsigned widened = 0;
    const int fd = private_files::openForAppend(path, &widened);
    QFile file;
    if (fd >= 0 && file.open(fd, QIODevice::WriteOnly | QIODevice::Append,
                             QFileDevice::AutoCloseHandle)) {
      QTextStream out(&file);
      if (widened) {
        const QMessageLogContext here(__FILE__, __LINE__, Q_FUNC_INFO, "default");
        out << debug_formatLine(QtDebugMsg, here, private_files::tightenedText(path, widened), now)
            << "\r\n";
      }
      out << debug_formatLine(type, context, logMessageCut(message), now) << "\r\n";
      out.flush();
      rotateWhenFull(fd, path);
      file.close();
    } else if (fd >= 0) {
      ::close(fd);
    }
    t_inHandler = false;
  }
  if (type == QtFatalMsg) std::abort();
}
