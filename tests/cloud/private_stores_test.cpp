// What the stores keep in the data folder is the user's alone: every folder
// they make is 0700 and every file 0600 whatever the umask, a file or folder
// opened up to others is made private again by its next write (folders of
// the data folder also at the start) with one log line, group.dat's journal
// takes its mode, and a folder the user chose keeps its own mode.
#include <gtest/gtest.h>

#include <sqlite3.h>
#include <sys/stat.h>

#include <QBuffer>
#include <QDateTime>
#include <QDirIterator>
#include <QFileInfo>
#include <QImage>
#include <QSaveFile>
#include <QTemporaryDir>
#include <functional>

#include "../app/log_capture.h"
#include "created_files.h"
#include "data_dir_fixture.h"
#include "device/media_paths.h"
#include "device/thumbnail_file.h"
#include "qt_print.h"
#include "scoped_umask.h"
#include "sql/group_file.h"
#include "sql/user_files.h"
#include "util_class/debug_message_handler.h"
#include "util_class/private_files.h"
#include "util_class/user_local_config.h"

namespace {

using media_paths::MediaKind;

using testsupport::ScopedUmask;

std::string lines(const testsupport::LogCapture& log) {
  return log.lines().join(QLatin1Char('\n')).toStdString();
}

unsigned modeOf(const QString& path) {
  struct stat st {};
  return lstat(QFile::encodeName(path).constData(), &st) == 0 ? unsigned(st.st_mode & 07777) : 0;
}

QByteArray pictureBytes() {
  QImage image(32, 18, QImage::Format_RGB32);
  image.fill(Qt::blue);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return bytes;
}

const QString kUser = QStringLiteral("alice@example.com");

// Where the stores of the test's user are.
struct Places {
  QString data;     // the data folder
  QString userDir;  // the user's private folder, ending with "/"
  QString thumbnail() const { return media_paths::thumbnailPath(userDir, "Door", "CAM1"); }
  QString media(MediaKind kind) const {
    return media_paths::defaultPath(kind, userDir, "Door", "CAM1", QDateTime::currentDateTime());
  }
};

class PrivateStores : public DataDirTest {
 protected:
  // Every store writes once: the user's folder, the remembered user, the
  // install id, config.json, group.dat with a group, a thumbnail, the
  // snapshot and record folders, the log.
  void writeEveryStore() {
    userDir = userPrivate_dir_init(kUser);
    userName_loginWriteToLocalFile(kUser);
    QString id;
    uuidReadToLocalFile(id);
    ASSERT_TRUE(writeConfigFileUserinfo(kUser, kUser, "secret", "", "", 0, 1, 0));
    ASSERT_TRUE(device_groupInfodb_init(userDir));
    ASSERT_TRUE(device_groupInfodb_insert(userDir, {"pair", "CAM1", "CAM2", "", ""}));
    QString why;
    ASSERT_TRUE(thumbnail_file::save(at().thumbnail(), pictureBytes(), &why)) << why.toStdString();
    ASSERT_TRUE(media_paths::makeFolderFor(at().media(MediaKind::Snapshot)));
    ASSERT_TRUE(media_paths::makeFolderFor(at().media(MediaKind::Record)));
    debug_messageHandler(QtDebugMsg, QMessageLogContext("a.cpp", 1, "f", "default"), "a line");
  }
  Places at() const { return {dir.path(), userDir}; }
  // Every path under the data folder with its mode, "rel 700" per line.
  QStringList modes() const {
    QStringList out;
    QDirIterator it(dir.path(), QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
      const QString p = it.next();
      out << QDir(dir.path()).relativeFilePath(p) + " " + QString::number(modeOf(p), 8);
    }
    out.sort();
    return out;
  }

  QString userDir;
};

struct UmaskCase {
  const char* name;
  mode_t mask;
};

class PrivateStoresUnderUmask : public PrivateStores,
                                public ::testing::WithParamInterface<UmaskCase> {};

TEST_P(PrivateStoresUnderUmask, FoldersAre0700AndFiles0600) {
  ScopedUmask mask(GetParam().mask);
  ASSERT_NO_FATAL_FAILURE(writeEveryStore());
  const QString u = QStringLiteral("user_private_dir/alice@example.com_private_dir");
  const QStringList expected = {
      "debug.txt 600",
      "private_uuid.txt 600",
      "userNameLastLogin.txt 600",
      "user_private_dir 700",
      u + " 700",
      u + "/config.json 600",
      u + "/device_picture 700",
      u + "/device_picture/Door.jpeg 600",
      u + "/group.dat 600",
      u + "/record 700",
      u + "/record/Door-record 700",
      u + "/snapshot 700",
      u + "/snapshot/Door-snapshot 700",
  };
  EXPECT_EQ(modes(), expected);
}

INSTANTIATE_TEST_SUITE_P(Umask, PrivateStoresUnderUmask,
                         ::testing::Values(UmaskCase{"022", 022}, UmaskCase{"000", 0},
                                           UmaskCase{"002", 002}),
                         [](const ::testing::TestParamInfo<UmaskCase>& i) {
                           return std::string("umask") + i.param.name;
                         });

// A path of the data folder opened up to others, and what makes it private
// again: its next write, or the program's start for folders and the small
// files beside them.
struct Reopened {
  const char* name;
  std::function<QString(const Places&)> path;
  unsigned wider;
  std::function<void(const Places&)> write;
  unsigned after;
};

class PrivateStoresReopened : public PrivateStores,
                              public ::testing::WithParamInterface<Reopened> {};

TEST_P(PrivateStoresReopened, TheNextWriteMakesItPrivateAndSaysSoOnce) {
  ScopedUmask mask(0);
  ASSERT_NO_FATAL_FAILURE(writeEveryStore());
  const Reopened& c = GetParam();
  const QString target = c.path(at());
  ASSERT_EQ(chmod(QFile::encodeName(target).constData(), c.wider), 0) << target.toStdString();
  testsupport::LogCapture log;
  c.write(at());
  c.write(at());  // a second write finds nothing to change
  EXPECT_EQ(modeOf(target), c.after) << target.toStdString();
  EXPECT_EQ(log.count(private_files::tightenedText(target, c.wider)), 1) << lines(log);
  EXPECT_EQ(log.count("made private"), 1) << lines(log);
}

const QString kUserFolder = QStringLiteral("/user_private_dir/alice@example.com_private_dir");

INSTANTIATE_TEST_SUITE_P(
    Paths, PrivateStoresReopened,
    ::testing::Values(
        Reopened{"ConfigJsonBySignIn",
                 [](const Places& at) { return at.data + kUserFolder + "/config.json"; },
                 0644,
                 [](const Places&) {
                   writeConfigFileUserinfo(kUser, kUser, "secret", "", "", 0, 1, 0);
                 },
                 0600},
        Reopened{"ConfigJsonBySettings",
                 [](const Places& at) { return at.data + kUserFolder + "/config.json"; },
                 0666, [](const Places&) { writeConfigFileAVideoinfo(kUser, "/d", "", ""); },
                 0600},
        Reopened{"GroupDatByItsNextOpen",
                 [](const Places& at) { return at.data + kUserFolder + "/group.dat"; },
                 0644,
                 [](const Places& at) {
                   QList<StoredGroup> groups;
                   device_groupInfodb_read_groupInfo(at.userDir, groups);
                 },
                 0600},
        Reopened{"RememberedUser",
                 [](const Places& at) { return at.data + "/userNameLastLogin.txt"; },
                 0644, [](const Places&) { userName_loginWriteToLocalFile(kUser); }, 0600},
        Reopened{"Thumbnail", [](const Places& at) { return at.thumbnail(); }, 0604,
                 [](const Places& at) {
                   QString why;
                   thumbnail_file::save(at.thumbnail(), pictureBytes(), &why);
                 },
                 0600},
        Reopened{"UserFolderBySignIn",
                 [](const Places& at) { return at.data + kUserFolder; }, 0755,
                 [](const Places&) { userPrivate_dir_init(kUser); }, 0700},
        Reopened{"SnapshotFolderBySnapshot",
                 [](const Places& at) { return at.data + kUserFolder + "/snapshot/Door-snapshot"; },
                 0777,
                 [](const Places& at) { media_paths::makeFolderFor(at.media(MediaKind::Snapshot)); },
                 0700},
        Reopened{"RecordFolderAtStart",
                 [](const Places& at) { return at.data + kUserFolder + "/record/Door-record"; },
                 0755, [](const Places&) { user_files::prepareDataFolder(); }, 0700},
        Reopened{"UsersFolderAtStart",
                 [](const Places& at) { return at.data + "/user_private_dir"; }, 0751,
                 [](const Places&) { user_files::prepareDataFolder(); }, 0700},
        Reopened{"InstallIdAtStart",
                 [](const Places& at) { return at.data + "/private_uuid.txt"; }, 0644,
                 [](const Places&) { user_files::prepareDataFolder(); }, 0600}),
    [](const ::testing::TestParamInfo<Reopened>& i) { return std::string(i.param.name); });

// A write transaction of anyone's (here the sqlite3 library's own, as the
// program's statements make theirs) puts a journal beside group.dat: it
// takes the database's mode, not the umask's.
TEST_F(PrivateStores, GroupDatJournalIsPrivateToo) {
  ScopedUmask mask(0);
  ASSERT_NO_FATAL_FAILURE(writeEveryStore());
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(groupFilePath(userDir).toUtf8().constData(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db,
                         "PRAGMA cache_size=1; BEGIN IMMEDIATE; "
                         "INSERT INTO groups VALUES ('g2','a','b','',''); "
                         "DELETE FROM groups WHERE groupName='pair';",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  const QString journal = groupFilePath(userDir) + "-journal";
  EXPECT_TRUE(QFileInfo::exists(journal));
  EXPECT_EQ(modeOf(journal), 0600u);
  EXPECT_EQ(sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(db);
}

// Download folders the user chose live outside the data folder: folders that
// exist there keep their mode, the ones the program makes are private.
TEST_F(PrivateStores, AChosenFolderKeepsItsModeTheFoldersMadeInItArePrivate) {
  ScopedUmask mask(0);
  QTemporaryDir chosen;
  ASSERT_TRUE(chosen.isValid());
  ASSERT_EQ(chmod(QFile::encodeName(chosen.path()).constData(), 0755), 0);
  const QString shared = chosen.path() + "/Photo";
  ASSERT_TRUE(QDir().mkdir(shared));
  ASSERT_EQ(chmod(QFile::encodeName(shared).constData(), 0775), 0);
  testsupport::LogCapture log;
  const QString file = media_paths::specifiedPath(MediaKind::Snapshot, shared, "Door", "CAM1",
                                                  QDateTime::currentDateTime());
  ASSERT_TRUE(media_paths::makeFolderFor(file));
  ASSERT_TRUE(private_files::makeFolder(chosen.path() + "/Video/a/b"));
  EXPECT_EQ(modeOf(chosen.path()), 0755u);
  EXPECT_EQ(modeOf(shared), 0775u);
  EXPECT_EQ(modeOf(shared + "/Door-snapshot"), 0700u);
  for (const char* made : {"/Video", "/Video/a", "/Video/a/b"})
    EXPECT_EQ(modeOf(chosen.path() + made), 0700u) << made;
  EXPECT_EQ(log.count("made private"), 0) << lines(log);
  ASSERT_TRUE(private_files::prepareFile(file));
  EXPECT_EQ(modeOf(file), 0600u);
  // A file where a folder should be is no folder.
  EXPECT_FALSE(private_files::makeFolder(file + "/x"));
}

// A file written whole into a folder that exists (one the user chose, or
// the data folder) is never open to others, not even for a moment: the
// temporary file that becomes it is created private whatever the umask,
// also when it replaces an older file that was open to others.
TEST(PrivateSaveFile, TheFileIsPrivateFromTheMomentItIsCreated) {
  const struct {
    const char* name;
    mode_t mask;
    int olderMode;  // -1: no older file
  } cases[] = {{"new022", 022, -1}, {"new000", 0, -1}, {"over0644", 0, 0644}, {"over0666", 002, 0666}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QTemporaryDir chosen;
    ASSERT_TRUE(chosen.isValid());
    ASSERT_EQ(chmod(QFile::encodeName(chosen.path()).constData(), 0755), 0);
    const QString path = chosen.path() + "/Door-2021-07-18-09-05-03.jpg";
    if (c.olderMode >= 0) {
      QFile older(path);
      ASSERT_TRUE(older.open(QIODevice::WriteOnly));
      older.write("older");
      older.close();
      ASSERT_EQ(chmod(QFile::encodeName(path).constData(), mode_t(c.olderMode)), 0);
    }
    ScopedUmask mask(c.mask);
    std::vector<testsupport::CreatedFile> created;
    {
      testsupport::CreatedFiles watch;
      QSaveFile file(path);
      ASSERT_TRUE(private_files::open(file));
      ASSERT_EQ(file.write("picture"), 7);
      ASSERT_TRUE(file.commit());
      created = watch.files();
    }
    ASSERT_FALSE(created.empty()) << "no file creation was seen";
    for (const testsupport::CreatedFile& f : created) {
      EXPECT_EQ(f.mode & 077, 0u) << f.path << " was created " << std::oct << f.mode;
    }
    EXPECT_EQ(modeOf(path), 0600u);
    // The process keeps its own umask.
    const mode_t after = umask(c.mask);
    EXPECT_EQ(after, c.mask);
  }
}

}  // namespace
