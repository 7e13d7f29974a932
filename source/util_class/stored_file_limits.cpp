#include "util_class/stored_file_limits.h"

#include <QDebug>
#include <QFileInfo>

bool storedFileTooLarge(const QString& path, qint64 maxBytes) {
  const QFileInfo file(path);
  if (!file.exists() || file.size() <= maxBytes) return false;
  qWarning() << path << "holds" << file.size() << "bytes, more than" << maxBytes
             << "- not read and left as it is";
  return true;
}
