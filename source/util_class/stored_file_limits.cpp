#include "util_class/stored_file_limits.h"

#include <QDebug>
#include <QFileInfo>

bool storedFileOverLimit(const QString& path, qint64 maxBytes) {
  const QFileInfo file(path);
  return file.exists() && file.size() > maxBytes;
}

bool storedFileTooLarge(const QString& path, qint64 maxBytes) {
  if (!storedFileOverLimit(path, maxBytes)) return false;
  const QFileInfo file(path);
  qWarning() << path << "holds" << file.size() << "bytes, more than" << maxBytes
             << "- not read and left as it is";
  return true;
}
