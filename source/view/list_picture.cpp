#include "view/list_picture.h"

#include <sys/stat.h>

#include <QFile>
#include <QCoreApplication>
#include <QHash>

namespace {

// A file's version: another file put in its place, or one written again,
// differs in one of these.
struct FileVersion {
  qint64 device = 0, inode = 0, size = 0, mtimeSeconds = 0, mtimeNanos = 0;
};

FileVersion versionOf(const QString& file) {
  FileVersion v;
  struct stat st {};
  if (::stat(QFile::encodeName(file).constData(), &st) == 0) {
    v = {qint64(st.st_dev), qint64(st.st_ino), qint64(st.st_size), qint64(st.st_mtim.tv_sec),
         qint64(st.st_mtim.tv_nsec)};
  }
  return v;
}

QString keyOf(const QString& file, const QSize& size) {
  const FileVersion v = versionOf(file);
  return QStringLiteral("%1|%2x%3|%4:%5:%6:%7.%8")
      .arg(file)
      .arg(size.width())
      .arg(size.height())
      .arg(v.device)
      .arg(v.inode)
      .arg(v.size)
      .arg(v.mtimeSeconds)
      .arg(v.mtimeNanos);
}

// Bounded: beyond this many pictures the cache starts again (what is shown
// keeps its own share).
constexpr int kMaxPictures = 1024;

// The pixmaps go with the application object, not after it.
QHash<QString, ListPicture>* cache = nullptr;

void dropCache() {
  delete cache;
  cache = nullptr;
}

}  // namespace

ListPicture listPicture(const QString& file, const QSize& size) {
  if (!cache) {
    cache = new QHash<QString, ListPicture>;
    qAddPostRoutine(dropCache);
  }
  const QString key = keyOf(file, size);
  auto it = cache->constFind(key);
  if (it != cache->constEnd()) return *it;
  ListPicture p;
  p.image = QImage(file).scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
  p.pixmap = QPixmap::fromImage(p.image);
  if (cache->size() >= kMaxPictures) cache->clear();
  cache->insert(key, p);
  return p;
}
