#include "util_class/app_paths.h"

#include <QCoreApplication>
#include <QDir>

namespace app_paths {

QString dataDir() {
  const QByteArray overrideDir = qgetenv("CAMVIEWER_DATA_DIR");
  if (!overrideDir.isEmpty()) {
    return QDir::cleanPath(QString::fromLocal8Bit(overrideDir));
  }
  return QCoreApplication::applicationDirPath();
}

}  // namespace app_paths
