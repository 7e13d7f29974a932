#include "device/media_paths.h"

#include <QDir>

#include "util_class/private_files.h"
#include "util_class/safe_file_name.h"

namespace media_paths {

namespace {

// base + "/" + part, with one "/" between them.
QString join(const QString& base, const QString& part) {
  if (base.endsWith(QLatin1Char('/'))) return base + part;
  return base + QLatin1Char('/') + part;
}

QString kindWord(MediaKind kind) {
  return kind == MediaKind::Snapshot ? QStringLiteral("snapshot") : QStringLiteral("record");
}

QString kindExtension(MediaKind kind) {
  return kind == MediaKind::Snapshot ? QStringLiteral("jpg") : QStringLiteral("mp4");
}

}  // namespace

QString cameraFileName(const QString& name, const QString& deviceId) {
  return safe_file_name(name, deviceId);
}

QString fileTimeText(const QDateTime& localTime) {
  return localTime.toString(QStringLiteral("yyyy-MM-dd-hh-mm-ss"));
}

QString defaultPath(MediaKind kind, const QString& userDir, const QString& name,
                    const QString& deviceId, const QDateTime& localTime) {
  return specifiedPath(kind, join(userDir, kindWord(kind)), name, deviceId, localTime);
}

QString specifiedPath(MediaKind kind, const QString& savePath, const QString& name,
                      const QString& deviceId, const QDateTime& localTime) {
  const QString n = cameraFileName(name, deviceId);
  return join(savePath, n + QLatin1Char('-') + kindWord(kind) + QLatin1Char('/') + n +
                            QLatin1Char('-') + fileTimeText(localTime) + QLatin1Char('.') +
                            kindExtension(kind));
}

QString mediaPath(MediaKind kind, const QString& userDir, const QString& savePath,
                  const QString& name, const QString& deviceId, const QDateTime& localTime) {
  return savePath.isEmpty() ? defaultPath(kind, userDir, name, deviceId, localTime)
                            : specifiedPath(kind, savePath, name, deviceId, localTime);
}

QString numberedPath(const QString& path, int number) {
  const int slash = path.lastIndexOf(QLatin1Char('/'));
  int dot = path.lastIndexOf(QLatin1Char('.'));
  if (dot <= slash + 1) dot = path.size();  // no extension (or a name that starts with ".")
  return path.left(dot) + QLatin1Char('-') + QString::number(number) + path.mid(dot);
}

QString thumbnailPath(const QString& userDir, const QString& name, const QString& deviceId) {
  return join(join(userDir, QStringLiteral("device_picture")),
              cameraFileName(name, deviceId) + QStringLiteral(".jpeg"));
}

bool makeFolderFor(const QString& filePath) {
  const int slash = filePath.lastIndexOf(QLatin1Char('/'));
  if (slash <= 0) return true;  // the current folder or the root
  return private_files::makeFolder(filePath.left(slash));
}

}  // namespace media_paths
