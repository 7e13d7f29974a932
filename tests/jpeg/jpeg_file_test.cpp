// A picture of the decode thread stored as a JPEG file (snapshots and the
// tile's thumbnail): stored whole and private, or not at all, and what the
// log says when it is not: the file system's own words, never an empty
// word of the image writer's. A full disk is a small tmpfs of the test's
// own.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <string>
#include <vector>

#include "../app/log_capture.h"
#include "device/jpeg_file.h"
#include "jpeg_test_support.h"
#include "small_disk.h"
#include "test_pictures.h"

namespace {

unsigned modeOf(const QString& path) {
  struct stat st {};
  return stat(QFile::encodeName(path).constData(), &st) == 0 ? unsigned(st.st_mode & 07777) : 0;
}

TEST(JpegFile, StoredWholeOrNotAtAllAndTheLogSaysWhy) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString disk = dir.path() + "/disk";
  ASSERT_EQ(testsupport::mountSmallDisk(disk.toStdString(), 4u << 20), "");
  // A full-size camera picture of noise: far more than any write buffer,
  // so the writing meets the full disk in the middle of the picture.
  const std::vector<uint8_t> big = encodeWithOurs(noisyPicture(1920, 1080, 7));
  const std::vector<uint8_t> small = encodeWithOurs(smoothPicture(320, 180));
  ASSERT_GT(big.size(), 256u << 10);
  const std::vector<uint8_t> notJpeg(1000, 0x55);
  const struct {
    const char* name;
    const std::vector<uint8_t>* bytes;
    size_t freeBytes;  // room left on the disk (0: as it is)
    bool stored;
    const char* why;  // in the log line when not stored
  } cases[] = {
      {"stored", &small, 0, true, ""},
      {"not a JPEG", &notJpeg, 0, false, "not a JPEG"},
      {"full disk", &big, 64u << 10, false, "No space left on device"},
      {"disk full to the last byte", &small, 1, false, "No space left on device"},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.freeBytes) {
      ASSERT_EQ(testsupport::fillDisk(disk.toStdString(), "filler" + std::to_string(n), c.freeBytes), "");
    }
    const QString folder = disk + "/Door-snapshot" + QString::number(n++);
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString path = folder + "/Door-2021-07-18-09-05-03.jpg";
    testsupport::LogCapture log;
    EXPECT_EQ(jpeg_file::save(c.bytes->data(), c.bytes->size(), path), c.stored);
    const QString lines = log.lines().join('\n');
    EXPECT_FALSE(lines.contains("Bogus message")) << lines.toStdString();
    EXPECT_FALSE(lines.contains("(file:, line:0)")) << lines.toStdString();
    if (c.stored) {
      QImage back;
      EXPECT_TRUE(back.load(path, "JPG"));
      EXPECT_EQ(back.size(), QSize(320, 180));
      EXPECT_EQ(modeOf(path), 0600u);
      EXPECT_EQ(log.count("jpeg not saved"), 0) << lines.toStdString();
    } else {
      // Nothing is left behind, no temporary file either.
      EXPECT_TRUE(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty());
      ASSERT_EQ(log.count("jpeg not saved"), 1) << lines.toStdString();
      EXPECT_TRUE(lines.contains(c.why)) << lines.toStdString();
    }
  }
}

}  // namespace
