#include "device/jpeg_file.h"

#include <QBuffer>
#include <QByteArray>
#include <QDebug>
#include <QImage>
#include <QSaveFile>

#include "util_class/private_files.h"

namespace jpeg_file {

namespace {

bool failed(const QString& path, const QString& why) {
  qDebug().noquote() << "jpeg not saved:" << path << "-" << why;
  return false;
}

// A short write (a disk that took part of it) is followed by the next,
// which then fails with the file system's reason.
bool writeAll(QSaveFile& file, const QByteArray& bytes) {
  qint64 done = 0;
  while (done < bytes.size()) {
    const qint64 n = file.write(bytes.constData() + done, bytes.size() - done);
    if (n <= 0) return false;
    done += n;
  }
  return true;
}

}  // namespace

bool save(const unsigned char* jpeg, unsigned long length, const QString& path) {
  if (!jpeg || length == 0 || length > 0x7FFFFFFFul) return failed(path, QStringLiteral("no picture"));
  QImage image;
  if (!image.loadFromData(jpeg, int(length), "JPG")) return failed(path, QStringLiteral("not a JPEG"));
  QByteArray bytes;
  {
    QBuffer memory(&bytes);
    memory.open(QIODevice::WriteOnly);
    if (!image.save(&memory, "JPG", 75)) return failed(path, QStringLiteral("not encoded"));
  }
  QSaveFile file(path);
  if (!private_files::open(file)) return failed(path, file.errorString());
  // The last buffered bytes go out at flush(): a failure there would not
  // stop commit() from putting a cut-short file in place.
  if (!writeAll(file, bytes) || !file.flush() || file.error() != QFileDevice::NoError) {
    const QString why = file.errorString();
    file.cancelWriting();
    return failed(path, why);
  }
  if (!file.commit()) return failed(path, file.errorString());
  return true;
}

}  // namespace jpeg_file
