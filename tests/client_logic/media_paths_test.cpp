#include "device/media_paths.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "../cloud/qt_print.h"

using namespace media_paths;

namespace {

const QDateTime kTime(QDate(2021, 7, 18), QTime(9, 5, 3));
const QString kUser = QStringLiteral("/data/user_private_dir/ann_private_dir/");
constexpr MediaKind kShot = MediaKind::Snapshot;
constexpr MediaKind kRec = MediaKind::Record;

}  // namespace

TEST(MediaPaths, PathTable) {
  const struct {
    QString path;
    QString expected;
  } cases[] = {
      {defaultPath(kShot, kUser, "Door", "CAM01", kTime),
       kUser + "snapshot/Door-snapshot/Door-2021-07-18-09-05-03.jpg"},
      {specifiedPath(kShot, "D:/Photo", "Door", "CAM01", kTime),
       "D:/Photo/Door-snapshot/Door-2021-07-18-09-05-03.jpg"},
      {defaultPath(kRec, kUser, "Door", "CAM01", kTime),
       kUser + "record/Door-record/Door-2021-07-18-09-05-03.mp4"},
      {specifiedPath(kRec, "D:/Video", "Door", "CAM01", kTime),
       "D:/Video/Door-record/Door-2021-07-18-09-05-03.mp4"},
      {thumbnailPath(kUser, "Door", "CAM01"), kUser + "device_picture/Door.jpeg"},
      // Choosing by the save path.
      {mediaPath(kShot, kUser, "", "Door", "CAM01", kTime),
       kUser + "snapshot/Door-snapshot/Door-2021-07-18-09-05-03.jpg"},
      {mediaPath(kShot, kUser, "D:/Photo", "Door", "CAM01", kTime),
       "D:/Photo/Door-snapshot/Door-2021-07-18-09-05-03.jpg"},
      {mediaPath(kRec, kUser, "", "Door", "CAM01", kTime),
       kUser + "record/Door-record/Door-2021-07-18-09-05-03.mp4"},
      {mediaPath(kRec, kUser, "D:/Video", "Door", "CAM01", kTime),
       "D:/Video/Door-record/Door-2021-07-18-09-05-03.mp4"},
      // Afternoon hours on the 24-hour clock; one "/" between folders.
      {specifiedPath(kRec, "/v/", "Door", "CAM01",
                     QDateTime(QDate(2021, 12, 1), QTime(23, 59, 59))),
       "/v/Door-record/Door-2021-12-01-23-59-59.mp4"},
      {thumbnailPath("/u", "Door", "CAM01"), "/u/device_picture/Door.jpeg"},
      // Names from the cloud stay one file name.
      {thumbnailPath(kUser, "../x", "CAM01"), kUser + "device_picture/.._x.jpeg"},
      {thumbnailPath(kUser, "", "CAM01"), kUser + "device_picture/CAM01.jpeg"},
      {thumbnailPath(kUser, "..", "CAM01"), kUser + "device_picture/CAM01.jpeg"},
      {defaultPath(kShot, kUser, "a/b", "CAM01", kTime),
       kUser + "snapshot/a_b-snapshot/a_b-2021-07-18-09-05-03.jpg"},
      {specifiedPath(kRec, "D:/Video", "../../etc", "CAM01", kTime),
       "D:/Video/.._.._etc-record/.._.._etc-2021-07-18-09-05-03.mp4"},
      // A taken record name: the number goes before the extension, never
      // into a folder's name.
      {numberedPath("/v/Door-record/Door-2021-07-18-09-05-03.mp4", 2),
       "/v/Door-record/Door-2021-07-18-09-05-03-2.mp4"},
      {numberedPath("/v/Door-record/Door-2021-07-18-09-05-03.mp4", 17),
       "/v/Door-record/Door-2021-07-18-09-05-03-17.mp4"},
      {numberedPath("/v.d/Door", 2), "/v.d/Door-2"},
      {numberedPath("/v/.mp4", 3), "/v/.mp4-3"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.path, c.expected);
}

TEST(MediaPaths, HostileNamesStayInsideTheirFolder) {
  for (const QString name : {"../x", "..", "../../../../tmp/evil", "a\\..\\..\\b", "/abs"}) {
    const QString folder = kUser + "device_picture";
    const QString path = QDir::cleanPath(thumbnailPath(kUser, name, "CAM01"));
    EXPECT_EQ(QFileInfo(path).absolutePath(), folder) << name.toStdString();
    const QString shot = QDir::cleanPath(defaultPath(kShot, kUser, name, "CAM01", kTime));
    EXPECT_TRUE(shot.startsWith(kUser + "snapshot/")) << shot.toStdString();
    EXPECT_EQ(shot.count('/'), QString(kUser + "snapshot/x-snapshot/x.jpg").count('/'))
        << shot.toStdString();
  }
}

TEST(MediaPaths, MakeFolderReportsTheOutcome) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString user = dir.path() + "/";
  const QString path = defaultPath(kShot, user, "Door", "CAM01", kTime);
  EXPECT_TRUE(makeFolderFor(path));
  EXPECT_TRUE(QFileInfo(QFileInfo(path).absolutePath()).isDir());
  EXPECT_TRUE(makeFolderFor(path));  // already there

  // A file where the folder should be: no folder, and the caller is told.
  QFile blocker(user + "record");
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  EXPECT_FALSE(makeFolderFor(defaultPath(kRec, user, "Door", "CAM01", kTime)));
}
