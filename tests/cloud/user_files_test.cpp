#include "sql/user_files.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include "../app/log_capture.h"
#include "data_dir_fixture.h"
#include "qt_print.h"

namespace {

using UserFiles = DataDirTest;

bool isInstallId(const QString& id) {
  static const QRegularExpression re(QStringLiteral(
      "^\\{[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}\\}$"));
  return re.match(id).hasMatch();
}

}  // namespace

TEST_F(UserFiles, PrivateFolderIsMadeAndNamedAfterTheUser) {
  const QString d = userPrivate_dir_init("alice@example.com");
  EXPECT_EQ(d, path("user_private_dir/alice@example.com_private_dir/"));
  EXPECT_TRUE(QFileInfo(d).isDir());
  EXPECT_EQ(userPrivate_dir_init("alice@example.com"), d);  // exists already: same path
  const QString hostile = userPrivate_dir_init("../../etc");
  EXPECT_EQ(hostile, path("user_private_dir/..%2F..%2Fetc_private_dir/"));
  EXPECT_TRUE(QFileInfo(hostile).isDir());
  // Two accounts whose names differ only in a character a file name cannot
  // hold get folders (and so config.json and group.dat) of their own.
  EXPECT_NE(userPrivate_dir_init("a/b"), userPrivate_dir_init("a_b"));
  EXPECT_NE(userPrivate_dir_init(".."), userPrivate_dir_init("_"));
}

TEST_F(UserFiles, RememberedUserNameRoundTrip) {
  QString name = "untouched";
  userName_loginReadToLocalFile(name);
  EXPECT_EQ(name, "untouched");  // no file: left as it was

  userName_loginWriteToLocalFile(QString::fromUtf8("b\xC3\xA4r@example.com"));
  EXPECT_EQ(readAll(path("userNameLastLogin.txt")), "b\xC3\xA4r@example.com");
  userName_loginReadToLocalFile(name);
  EXPECT_EQ(name, QString::fromUtf8("b\xC3\xA4r@example.com"));

  const struct {
    QByteArray file;
    QString expected;
  } cases[] = {{"  spaced  \r\n", "spaced"}, {"first\nsecond", "first"}, {"", ""}};
  for (const auto& c : cases) {
    ASSERT_TRUE(writeAll(path("userNameLastLogin.txt"), c.file));
    name = "x";
    userName_loginReadToLocalFile(name);
    EXPECT_EQ(name, c.expected) << c.file.toStdString();
  }

  userName_loginRemoveLocalFile();
  EXPECT_FALSE(QFileInfo::exists(path("userNameLastLogin.txt")));
  userName_loginRemoveLocalFile();  // nothing to remove
}

TEST_F(UserFiles, InstallIdIsMadeOnceAndKept) {
  QString first;
  uuidReadToLocalFile(first);
  EXPECT_TRUE(isInstallId(first)) << first.toStdString();
  EXPECT_EQ(first.size(), 38);
  EXPECT_EQ(readAll(path("private_uuid.txt")), first.toUtf8());
  QString second;
  uuidReadToLocalFile(second);
  EXPECT_EQ(second, first);

  // A stored id is read trimmed, as it was written (also upper case).
  const QByteArray stored = "{0A1B2C3D-4E5F-4A6B-8C7D-0E1F2A3B4C5D}";
  ASSERT_TRUE(writeAll(path("private_uuid.txt"), "  " + stored + "\r\n"));
  uuidReadToLocalFile(second);
  EXPECT_EQ(second, QString::fromLatin1(stored));

  ASSERT_TRUE(QFile::remove(path("private_uuid.txt")));
  uuidReadToLocalFile(second);
  EXPECT_TRUE(isInstallId(second));
  EXPECT_NE(second, first);
}

TEST_F(UserFiles, EmptyInstallIdFileGetsANewId) {
  for (const QByteArray& blank : {QByteArray(""), QByteArray(" \r\n\t")}) {
    ASSERT_TRUE(writeAll(path("private_uuid.txt"), blank));
    QString id;
    uuidReadToLocalFile(id);
    EXPECT_TRUE(isInstallId(id)) << id.toStdString();
    EXPECT_EQ(readAll(path("private_uuid.txt")), id.toUtf8());
  }
}

// Whatever is no install id (a hand edit, a broken disk, random bytes) is
// never sent to the cloud as one: a fresh id replaces it, and says so.
TEST_F(UserFiles, InstallIdFileWithoutAnIdGetsANewOne) {
  QByteArray noise;
  quint32 x = 12345;
  for (int i = 0; i < 3000; ++i) {
    x = x * 1103515245u + 12345u;
    noise.append(char(x >> 24));
  }
  const QByteArray cases[] = {
      noise,
      "{kept-as-stored}",
      "0a1b2c3d-4e5f-4a6b-8c7d-0e1f2a3b4c5d",    // no braces
      "{0a1b2c3d-4e5f-4a6b-8c7d-0e1f2a3b4c5}",   // a digit short
      "{0a1b2c3d-4e5f-4a6b-8c7d-0e1f2a3b4c5x}",  // not a digit
      "{00000000-0000-0000-0000-000000000000}",  // the null id
  };
  for (const QByteArray& bad : cases) {
    SCOPED_TRACE(bad.left(40).toStdString());
    ASSERT_TRUE(writeAll(path("private_uuid.txt"), bad));
    testsupport::LogCapture log;
    QString id;
    uuidReadToLocalFile(id);
    EXPECT_TRUE(isInstallId(id)) << id.toStdString();
    EXPECT_EQ(readAll(path("private_uuid.txt")), id.toUtf8());
    EXPECT_EQ(log.count(QStringLiteral("holds no install id")), 1);
    QString again;
    uuidReadToLocalFile(again);
    EXPECT_EQ(again, id) << "the new id is kept";
  }
}

TEST_F(UserFiles, UnwritableInstallIdStaysTheSameInMemory) {
  // A folder where the file should be: neither readable nor replaceable.
  ASSERT_TRUE(QDir().mkpath(path("private_uuid.txt/blocked")));
  QString a;
  QString b;
  uuidReadToLocalFile(a);
  uuidReadToLocalFile(b);
  EXPECT_TRUE(isInstallId(a)) << a.toStdString();
  EXPECT_EQ(a, b);
}

TEST_F(UserFiles, DevicePictureLookup) {
  const QString user = userPrivate_dir_init("alice");
  const QString pictures = user + "device_picture/";
  ASSERT_TRUE(QDir().mkpath(pictures));
  ASSERT_TRUE(QDir().mkpath(pictures + "Hall folder.jpeg"));  // not a regular file
  for (const char* f : {"Garden-b.jpeg", "garden-a.jpeg", "Hall.jpeg", "Hall 2.jpeg",
                        "b-Hall.jpeg", "CAM7.jpeg", "in_out.jpeg", "x.y.jpeg"}) {
    ASSERT_TRUE(writeAll(pictures + f, "jpeg"));
  }
  const struct {
    const char* text;
    const char* fallback;  // the camera's device id
    const char* expected;  // file name, or "" for none
  } cases[] = {
      {"Hall", "", "Hall.jpeg"},  // exact name first, before "b-Hall.jpeg"
      {"Hall 2", "", "Hall 2.jpeg"},
      {"all", "", "b-Hall.jpeg"},       // partial: first by name ignoring case
      {"arden-", "", "garden-a.jpeg"},  // sorted ignoring case: "garden-a" first
      {"Garden", "", "Garden-b.jpeg"},  // case-sensitive substring
      {"Hall folder", "", ""},          // folders never match
      {"Kitchen", "", ""},
      {"in/out", "", "in_out.jpeg"},  // named the way the writer names it
      // "", "." and ".." stand for the device id; without one they find
      // nothing (not every file holding "" or the "_" they would become).
      {"", "", ""},
      {".", "", ""},
      {"..", "", ""},
      {"", "CAM7", "CAM7.jpeg"},
      {".", "CAM7", "CAM7.jpeg"},
      {"..", "CAM7", "CAM7.jpeg"},
      {"Hall", "CAM7", "Hall.jpeg"},
  };
  for (const auto& c : cases) {
    const QString found = device_picture_find(user, c.text, c.fallback);
    EXPECT_EQ(QFileInfo(found).fileName(), QString(c.expected))
        << "text '" << c.text << "' fallback '" << c.fallback << "'";
    if (*c.expected) {
      EXPECT_EQ(found, QFileInfo(pictures + c.expected).absoluteFilePath());
    }
  }
  EXPECT_EQ(device_picture_find(path("nobody/"), "Hall"), "");
}
