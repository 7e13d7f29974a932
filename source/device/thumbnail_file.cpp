#include "device/thumbnail_file.h"

#include <QImage>
#include <QSaveFile>

#include "device/media_paths.h"
#include "util_class/private_files.h"

namespace thumbnail_file {

bool isFetchableUrl(const QUrl& url) {
  if (!url.isValid() || url.host().isEmpty()) return false;
  const QString scheme = url.scheme().toLower();
  return scheme == QLatin1String("http") || scheme == QLatin1String("https");
}

bool save(const QString& path, const QByteArray& bytes, QString* why, bool* notStored) {
  if (notStored) *notStored = false;
  auto fail = [why](const QString& text) {
    if (why) *why = text;
    return false;
  };
  auto failStoring = [&fail, notStored](const QString& text) {
    if (notStored) *notStored = true;
    return fail(text);
  };
  if (bytes.isEmpty()) return fail(QStringLiteral("empty body"));
  if (bytes.size() > kMaxThumbnailBytes)
    return fail(QStringLiteral("body of %1 bytes is too large").arg(bytes.size()));
  QImage image;
  if (!image.loadFromData(bytes) || image.isNull())
    return fail(QStringLiteral("body of %1 bytes is no picture").arg(bytes.size()));
  if (!media_paths::makeFolderFor(path)) return failStoring(QStringLiteral("no folder for ") + path);
  QSaveFile file(path);
  if (!private_files::open(file)) return failStoring(QStringLiteral("open file err ") + file.errorString());
  if (file.write(bytes) != bytes.size()) {
    file.cancelWriting();
    return failStoring(QStringLiteral("write err ") + file.errorString());
  }
  if (!file.commit()) return failStoring(QStringLiteral("rename err ") + file.errorString());
  return true;
}

}  // namespace thumbnail_file
