// Start-up pieces of the program entry: the country table of
// countrycode.json, the build stamp, the UTC offset sent to the cloud and
// the single-instance lock.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimeZone>

#include <climits>
#include <cstdlib>
#include <ctime>

#include "log_capture.h"
#include "mainwindow.h"
#include "util_class/build_stamp.h"
#include "util_class/country_code.h"
#include "util_class/single_instance.h"
#include "util_class/utc_offset.h"

namespace {

struct Expected {
  int code;
  const char* zht;
  const char* en;
  const char* locale;
  const char* zhs;
};

void expectEntry(const CountryCode& got, const Expected& want, const std::string& where) {
  EXPECT_EQ(got.code, want.code) << where;
  EXPECT_EQ(got.zht.toStdString(), want.zht) << where;
  EXPECT_EQ(got.en.toStdString(), want.en) << where;
  EXPECT_EQ(got.locale.toStdString(), want.locale) << where;
  EXPECT_EQ(got.zhs.toStdString(), want.zhs) << where;
}

// One entry object inside "countrycodes", and what it reads as.
TEST(CountryTable, EntryValues) {
  const struct {
    const char* entry;
    Expected want;
  } cases[] = {
      {R"({})", {-1, "", "", "", ""}},
      {R"({"code":86})", {86, "", "", "", ""}},
      {R"({"code":true})", {1, "", "", "", ""}},
      {R"({"code":false})", {0, "", "", "", ""}},
      {R"({"code":"86"})", {0, "", "", "", ""}},
      {R"({"code":null})", {0, "", "", "", ""}},
      {R"({"code":[1]})", {0, "", "", "", ""}},
      {R"({"code":86.9})", {86, "", "", "", ""}},
      {R"({"code":-1.5})", {-1, "", "", "", ""}},
      {R"({"code":1e12})", {INT_MAX, "", "", "", ""}},
      {R"({"code":-1e12})", {INT_MIN, "", "", "", ""}},
      {R"({"zht":"中華民國","en":"Taiwan","locale":"TW","zhs":"台湾","code":886})",
       {886, "中華民國", "Taiwan", "TW", "台湾"}},
      {R"({"zht":5,"en":null,"locale":["TW"],"zhs":{"a":"b"}})", {-1, "", "", "", ""}},
      {R"({"EN":"upper case keys are other keys","Code":7})", {-1, "", "", "", ""}},
      {R"(17)", {-1, "", "", "", ""}},  // not an object: an entry of nothing
  };
  for (const auto& c : cases) {
    const QByteArray file = QByteArray(R"({"countrycodes":[)") + c.entry + "]}";
    CountryCodeList* list = countryCodeList_fromJson(file);
    ASSERT_NE(list, nullptr) << c.entry;
    ASSERT_EQ(list->size(), 1) << c.entry;
    expectEntry(*list->at(0), c.want, c.entry);
    countryCodeList_free(list);
  }
}

// Whole files: what parses, what gives no list, what gives an empty one.
TEST(CountryTable, Files) {
  const struct {
    QByteArray file;
    int entries;  // -1: no list at all
  } cases[] = {
      {"{", -1},
      {"", -1},
      {"not json", -1},
      {R"({"countrycodes":[{"code":1}])", -1},  // unterminated
      {R"({"other":[{"code":1}]})", 0},
      {R"({"countrycodes":[]})", 0},
      {R"({"countrycodes":{"code":1}})", 0},
      {R"({"countrycodes":null})", 0},
      {R"([{"countrycodes":[{"code":1}]}])", 0},
      {R"("just a string")", 0},
      {QByteArray(R"({"countrycodes":[{"code":1}]})") + '\0' + "{{{ garbage", 1},
      {QByteArray(R"({"countrycodes":[{"code":1},)") + '\0' + R"({"code":2}]})", -1},
      {QByteArray("\0{\"countrycodes\":[]}", 20), -1},
  };
  for (const auto& c : cases) {
    CountryCodeList* list = countryCodeList_fromJson(c.file);
    if (c.entries < 0) {
      EXPECT_EQ(list, nullptr) << c.file.toStdString();
    } else {
      ASSERT_NE(list, nullptr) << c.file.toStdString();
      EXPECT_EQ(list->size(), c.entries) << c.file.toStdString();
    }
    countryCodeList_free(list);
  }
}

TEST(CountryTable, EntriesInFileOrder) {
  const QByteArray file = R"({"countrycodes":[
      {"zht":"英國","en":"United Kingdom","locale":"GB","zhs":"英国"},
      {"code":1,"zht":"美國","en":"United States","locale":"US"},
      {"code":49,"zht":"德國","en":"Germany","locale":"DE","zhs":"德国","extra":"ignored"}]})";
  CountryCodeList* list = countryCodeList_fromJson(file);
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->size(), 3);
  expectEntry(*list->at(0), {-1, "英國", "United Kingdom", "GB", "英国"}, "first");
  expectEntry(*list->at(1), {1, "美國", "United States", "US", ""}, "second");
  expectEntry(*list->at(2), {49, "德國", "Germany", "DE", "德国"}, "third");
  countryCodeList_free(list);
  countryCodeList_free(nullptr);  // nothing to free
}

// The main window reads the file beside the program (CAMVIEWER_PROGRAM_DIR
// here) at each pass of the sign-in loop and frees it after the sign-in.
TEST(CountryTable, MainWindowReadsTheProgramFoldersFile) {
  QTemporaryDir programDir;
  QTemporaryDir dataDir;
  ASSERT_TRUE(programDir.isValid() && dataDir.isValid());
  qputenv("CAMVIEWER_PROGRAM_DIR", programDir.path().toUtf8());
  qputenv("CAMVIEWER_DATA_DIR", dataDir.path().toUtf8());
  testsupport::LogCapture log;
  {
    MainWindow window;
    window.readCountryCode_fromJsonFile();
    EXPECT_EQ(window.CountryCode_List, nullptr);
    EXPECT_EQ(log.count(QStringLiteral("could't open")), 1) << log.lines().join('\n').toStdString();

    QFile file(programDir.path() + "/countrycode.json");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(R"({"countrycodes":[{"code":44,"en":"United Kingdom"},{"code":86,"en":"China"}]})");
    file.close();
    window.readCountryCode_fromJsonFile();
    ASSERT_NE(window.CountryCode_List, nullptr);
    ASSERT_EQ(window.CountryCode_List->size(), 2);
    EXPECT_EQ(window.CountryCode_List->at(1)->en, QStringLiteral("China"));
    EXPECT_EQ(log.count(QStringLiteral("CountryCode_List size: 2")), 1);
    window.readCountryCode_fromJsonFile();  // a second pass replaces the table
    EXPECT_EQ(window.CountryCode_List->size(), 2);
    window.countryCode_list_clear();
    EXPECT_EQ(window.CountryCode_List, nullptr);
    window.countryCode_list_clear();

    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("{ broken");
    file.close();
    window.readCountryCode_fromJsonFile();
    EXPECT_EQ(window.CountryCode_List, nullptr);
    window.readCountryCode_fromJsonFile();  // the window's destructor frees a loaded table
  }
  qunsetenv("CAMVIEWER_PROGRAM_DIR");
  qunsetenv("CAMVIEWER_DATA_DIR");
}

TEST(BuildStamp, CompilerDates) {
  const struct {
    const char* stamp;
    int y, m, d;  // 0: invalid
  } cases[] = {
      {"Jul 18 2021", 2021, 7, 18},
      {"Jul  8 2021", 2021, 7, 8},  // day below 10: a blank in front
      {"Jan  1 2000", 2000, 1, 1},
      {"Dec 31 1999", 1999, 12, 31},
      {"Feb 29 2024", 2024, 2, 29},
      {"Feb 29 2023", 0, 0, 0},
      {"Jul 8 2021", 0, 0, 0},
      {"Foo 18 2021", 0, 0, 0},
      {"", 0, 0, 0},
  };
  for (const auto& c : cases) {
    const QDate date = buildDateFromStamp(QString::fromLatin1(c.stamp));
    if (c.y == 0) {
      EXPECT_FALSE(date.isValid()) << c.stamp;
    } else {
      EXPECT_EQ(date, QDate(c.y, c.m, c.d)) << c.stamp;
    }
  }
  EXPECT_EQ(buildTimeFromStamp(QStringLiteral("09:05:07")), QTime(9, 5, 7));
  EXPECT_FALSE(buildTimeFromStamp(QStringLiteral("25:00:00")).isValid());
  // This program's own stamps parse, whatever day it was built on.
  EXPECT_TRUE(programBuildDate().isValid());
  EXPECT_TRUE(programBuildTime().isValid());
  EXPECT_EQ(QString::fromLatin1(kCamviewerVersion), QStringLiteral("1.0.210718.2"));
}

TEST(UtcOffset, MinutesCutTowardZero) {
  const struct {
    int offsetSeconds;
    int minutes;
  } cases[] = {
      {-12600, -210},  // -3:30
      {-12630, -210},  // -3:30:30 cut toward zero, not down to -211
      {20700, 345},    // +5:45
      {0, 0},
      {-59, 0},
      {50400, 840},  // +14:00
  };
  for (const auto& c : cases) {
    const QDateTime moment(QDate(2021, 7, 18), QTime(12, 0), Qt::OffsetFromUTC, c.offsetSeconds);
    EXPECT_EQ(utcOffsetMinutes(moment), c.minutes) << c.offsetSeconds;
  }
}

// The offset of the computer's own zone: a POSIX zone 3:30 west of UTC.
TEST(UtcOffset, LocalZoneWestOfUtc) {
  const QByteArray saved = qgetenv("TZ");
  qputenv("TZ", "UTC+03:30");
  tzset();
  EXPECT_EQ(currentUtcOffsetMinutes(), -210);
  qputenv("TZ", "UTC-05:45");
  tzset();
  EXPECT_EQ(currentUtcOffsetMinutes(), 345);
  if (saved.isNull()) {
    qunsetenv("TZ");
  } else {
    qputenv("TZ", saved);
  }
  tzset();
}

TEST(SingleInstance, SecondHolderIsRefusedUntilTheFirstEnds) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString lockFile = dir.path() + "/Single Instance Demo.lock";
  // Another process takes the lock and holds it until it is killed.
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const QByteArray path = QFile::encodeName(lockFile);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const int fd = open(path.constData(), O_RDWR | O_CREAT, 0600);
    const char ok = (fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) == 0) ? '1' : '0';
    (void)!write(ready[1], &ok, 1);
    pause();
    _exit(0);
  }
  close(ready[1]);
  char ok = 0;
  ASSERT_EQ(read(ready[0], &ok, 1), 1);
  close(ready[0]);
  ASSERT_EQ(ok, '1');
  QString why;
  EXPECT_EQ(single_instance::acquire(lockFile, &why), single_instance::Outcome::AlreadyRunning);
  kill(child, SIGKILL);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  // The kernel freed it with the process: now it is ours, and stays ours.
  EXPECT_EQ(single_instance::acquire(lockFile, &why), single_instance::Outcome::First) << why.toStdString();
  EXPECT_EQ(single_instance::acquire(lockFile, &why), single_instance::Outcome::AlreadyRunning);
  struct stat st {};
  ASSERT_EQ(stat(path.constData(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(SingleInstance, LockFileThatCannotBeMadeRunsUnguarded) {
  QString why;
  EXPECT_EQ(single_instance::acquire(QStringLiteral("/nonexistent-folder/x.lock"), &why),
            single_instance::Outcome::Unavailable);
  EXPECT_FALSE(why.isEmpty());
}

TEST(SingleInstance, LockFolder) {
  const QByteArray savedRuntime = qgetenv("XDG_RUNTIME_DIR");
  QTemporaryDir runtime;
  QTemporaryDir tmpRoot;
  ASSERT_TRUE(runtime.isValid() && tmpRoot.isValid());
  QString why;
  qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
  EXPECT_EQ(single_instance::lockFolder(&why, tmpRoot.path()), runtime.path());

  // No runtime folder: a private folder of our own under the temporary root.
  const QString fallback = tmpRoot.path() + "/camviewer-" + QString::number(geteuid());
  for (const char* runtimeValue : {"", "/nonexistent-runtime"}) {
    qputenv("XDG_RUNTIME_DIR", runtimeValue);
    EXPECT_EQ(single_instance::lockFolder(&why, tmpRoot.path()), fallback) << why.toStdString();
    struct stat st {};
    ASSERT_EQ(stat(QFile::encodeName(fallback).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
  }
  // A folder others can write into, or a link in its place, is refused.
  ASSERT_EQ(chmod(QFile::encodeName(fallback).constData(), 0777), 0);
  EXPECT_TRUE(single_instance::lockFolder(&why, tmpRoot.path()).isEmpty());
  EXPECT_FALSE(why.isEmpty());
  ASSERT_TRUE(QDir(fallback).removeRecursively());
  ASSERT_TRUE(QFile::link(runtime.path(), fallback));
  EXPECT_TRUE(single_instance::lockFolder(&why, tmpRoot.path()).isEmpty());

  if (savedRuntime.isNull()) {
    qunsetenv("XDG_RUNTIME_DIR");
  } else {
    qputenv("XDG_RUNTIME_DIR", savedRuntime);
  }
}

}  // namespace
