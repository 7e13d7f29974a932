// The tile thumbnail: which snapshot URLs are fetched at all, and how a
// served body is stored (only a picture, whole, through a temporary file,
// the old file kept when the body is refused).
#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include "device/media_paths.h"
#include "device/thumbnail_file.h"

namespace {

QByteArray jpegOf(const QColor& colour, int w = 64, int h = 36) {
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(colour);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "JPG", 90);
  return bytes;
}

QByteArray readAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST(ThumbnailFile, OnlyHttpAndHttpsUrlsWithAHostAreFetched) {
  const struct {
    const char* url;
    bool fetched;
  } cases[] = {
      {"http://127.0.0.1:8080/thumb/CAM1.jpeg", true},
      {"https://cloud.example/thumb/CAM1.jpeg?x=1", true},
      {"HTTPS://cloud.example/a.jpeg", true},
      {"file:///etc/passwd", false},
      {"file://host/share/a.jpeg", false},
      {"ftp://127.0.0.1/a.jpeg", false},
      {"data:image/jpeg;base64,AAAA", false},
      {"/thumb/CAM1.jpeg", false},
      {"thumb/CAM1.jpeg", false},
      {"http://", false},
      {"", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(thumbnail_file::isFetchableUrl(QUrl(QString::fromLatin1(c.url))), c.fetched) << c.url;
  }
}

TEST(ThumbnailFile, APictureIsStoredByteForByteInANewFolder) {
  QTemporaryDir dir;
  const QString path = media_paths::thumbnailPath(dir.path() + "/", "Front door", "CAM1");
  const QByteArray picture = jpegOf(Qt::red);
  QString why;
  ASSERT_TRUE(thumbnail_file::save(path, picture, &why)) << why.toStdString();
  EXPECT_EQ(readAll(path), picture);
  EXPECT_EQ(path, dir.path() + "/device_picture/Front door.jpeg");
  // Nothing else is left in the folder (no temporary file).
  EXPECT_EQ(QDir(dir.path() + "/device_picture").entryList(QDir::Files | QDir::Hidden),
            QStringList{"Front door.jpeg"});
}

TEST(ThumbnailFile, ABodyThatIsNoPictureLeavesTheOldFileAsItWas) {
  QTemporaryDir dir;
  const QString path = dir.path() + "/device_picture/Door.jpeg";
  const QByteArray old = jpegOf(Qt::blue);
  ASSERT_TRUE(thumbnail_file::save(path, old, nullptr));
  const QByteArray bodies[] = {
      QByteArray("<html>503 Service Unavailable</html>"),
      QByteArray(),
      jpegOf(Qt::green).left(40),  // cut short: its header alone
      QByteArray(thumbnail_file::kMaxThumbnailBytes + 1, '\xFF'),
  };
  for (const QByteArray& body : bodies) {
    QString why;
    EXPECT_FALSE(thumbnail_file::save(path, body, &why)) << body.size();
    EXPECT_FALSE(why.isEmpty());
    EXPECT_EQ(readAll(path), old);
  }
  EXPECT_EQ(QDir(dir.path() + "/device_picture").entryList(QDir::Files | QDir::Hidden).size(), 1);
}

// The size cap on its own: a picture that decodes, followed by padding
// (a JPEG reader stops at its end marker), is stored up to 16 MiB and
// refused one byte past it.
TEST(ThumbnailFile, APaddedPictureIsStoredUpToTheCapAndRefusedPastIt) {
  constexpr int kCap = 16 * 1024 * 1024;
  QTemporaryDir dir;
  const QString path = dir.path() + "/device_picture/Door.jpeg";
  const QByteArray old = jpegOf(Qt::blue);
  ASSERT_TRUE(thumbnail_file::save(path, old, nullptr));
  const auto padded = [](int size) {
    QByteArray body = jpegOf(Qt::green);
    body.append(QByteArray(size - body.size(), '\0'));
    return body;
  };
  const QByteArray over = padded(kCap + 1);
  ASSERT_FALSE(QImage::fromData(over).isNull()) << "the padded picture must still decode";
  QString why;
  EXPECT_FALSE(thumbnail_file::save(path, over, &why));
  EXPECT_TRUE(why.contains("too large")) << why.toStdString();
  EXPECT_EQ(readAll(path), old);

  const QByteArray atCap = padded(kCap);
  ASSERT_TRUE(thumbnail_file::save(path, atCap, &why)) << why.toStdString();
  EXPECT_EQ(readAll(path), atCap);
  EXPECT_EQ(QDir(dir.path() + "/device_picture").entryList(QDir::Files | QDir::Hidden).size(), 1);
}

TEST(ThumbnailFile, CloudNamesStayInsideThePicturesFolder) {
  QTemporaryDir dir;
  const QString userDir = dir.path() + "/user/";
  const char* names[] = {"../../escape", "..", "a/b\\c", "."};
  for (const char* name : names) {
    const QString path = media_paths::thumbnailPath(userDir, QString::fromUtf8(name), "CAM7");
    ASSERT_TRUE(thumbnail_file::save(path, jpegOf(Qt::white), nullptr)) << name;
    EXPECT_EQ(QFileInfo(path).absolutePath(), QDir(userDir + "device_picture").absolutePath()) << name;
  }
  EXPECT_FALSE(QFileInfo::exists(dir.path() + "/escape.jpeg"));
}

}  // namespace
