#include "util_class/app_paths.h"

#include <QCoreApplication>
#include <QDir>

namespace app_paths {

namespace {

// The folder an environment variable names, else the program's own folder.
QString folderFrom(const char* variable) {
  const QByteArray overrideDir = qgetenv(variable);
  if (!overrideDir.isEmpty()) {
    return QDir::cleanPath(QString::fromLocal8Bit(overrideDir));
  }
  return QCoreApplication::applicationDirPath();
}

}  // namespace

QString dataDir() { return folderFrom("CAMVIEWER_DATA_DIR"); }

QString programDir() { return folderFrom("CAMVIEWER_PROGRAM_DIR"); }

}  // namespace app_paths
