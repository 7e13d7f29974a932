#include "util_class/debug_message_handler.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <thread>
#include <vector>

#include "scoped_umask.h"

namespace {

class LogDir : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    qputenv("CAMVIEWER_DATA_DIR", dir.path().toLocal8Bit());
  }
  void TearDown() override { qunsetenv("CAMVIEWER_DATA_DIR"); }
  QByteArray readLog() const {
    QFile f(dir.path() + "/debug.txt");
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
  }
  QTemporaryDir dir;
};

const QDateTime kWhen(QDate(2024, 3, 5), QTime(14, 7, 9, 42));

}  // namespace

TEST(DebugLogFormat, EachLevelUsesItsTemplate) {
  const QMessageLogContext ctx("camera.cpp", 123, "void oneWindowDevice::play()", "default");
  const struct {
    QtMsgType type;
    const char* expected;
  } cases[] = {
      {QtDebugMsg, "[ 2024-03-05 14:07:09:042 ]: Debug:\thello (file:camera.cpp, line:123, func: void oneWindowDevice::play())"},
      {QtInfoMsg, "[ 2024-03-05 14:07:09:042 ]: Info:\thello (file:camera.cpp, line:123, func: void oneWindowDevice::play())"},
      {QtWarningMsg, "[ 2024-03-05 14:07:09:042 ]: Warning:\thello (file:camera.cpp, line:123, func: void oneWindowDevice::play())"},
      {QtCriticalMsg, "[ 2024-03-05 14:07:09:042 ]: Critical:\thello (file:camera.cpp, line:123, func: void oneWindowDevice::play())"},
      {QtFatalMsg, "[ 2024-03-05 14:07:09:042 ]: Fatal:\thello (file:camera.cpp, line:123, func: void oneWindowDevice::play())"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(debug_formatLine(c.type, ctx, "hello", kWhen).toStdString(), c.expected);
  }
}

TEST(DebugLogFormat, TimeStampIsTwentyFourHourWithMilliseconds) {
  const QMessageLogContext ctx;
  const QDateTime late(QDate(1999, 12, 31), QTime(23, 59, 58, 7));
  EXPECT_TRUE(debug_formatLine(QtDebugMsg, ctx, "x", late).startsWith("[ 1999-12-31 23:59:58:007 ]: "));
}

TEST(DebugLogFormat, MissingContextLeavesPlacesEmptyAndLineZero) {
  const QMessageLogContext ctx;  // no file, no function, line 0
  EXPECT_EQ(debug_formatLine(QtWarningMsg, ctx, "lib", kWhen).toStdString(),
            "[ 2024-03-05 14:07:09:042 ]: Warning:\tlib (file:, line:0, func: )");
}

// A message is written as given: markers inside it are not filled again.
TEST(DebugLogFormat, MarkersInsideTheMessageAreKept) {
  const QMessageLogContext ctx("a.cpp", 7, "f", "default");
  EXPECT_EQ(debug_formatLine(QtDebugMsg, ctx, "100%1 %3 %4 %5 done", kWhen).toStdString(),
            "[ 2024-03-05 14:07:09:042 ]: Debug:\t100%1 %3 %4 %5 done (file:a.cpp, line:7, func: f)");
}

TEST_F(LogDir, AppendsLinesEndedByCrLfAndKeepsInnerLineBreaks) {
  const QMessageLogContext ctx("m.cpp", 1, "g", "default");
  debug_messageHandler(QtDebugMsg, ctx, "first\nsecond");
  debug_messageHandler(QtInfoMsg, ctx, "third");
  const QByteArray log = readLog();
  const QList<QByteArray> entries = log.split('\r');
  ASSERT_EQ(entries.size(), 3) << log.constData();  // two entries, then what follows the last CR
  EXPECT_TRUE(entries[0].contains("Debug:\tfirst\nsecond (file:m.cpp, line:1, func: g)"));
  EXPECT_TRUE(entries[1].startsWith("\n[ "));
  EXPECT_TRUE(entries[1].contains("Info:\tthird"));
  EXPECT_EQ(entries[2], QByteArray("\n"));
}

TEST_F(LogDir, LinesFromManyThreadsNeverInterleave) {
  constexpr int kThreads = 8;
  constexpr int kLines = 200;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t] {
      const QMessageLogContext ctx("thread.cpp", t, "worker", "default");
      const QString body = QString(300, QChar('a' + t));
      for (int i = 0; i < kLines; ++i) debug_messageHandler(QtDebugMsg, ctx, body);
    });
  }
  for (auto& th : threads) th.join();

  const QList<QByteArray> lines = readLog().split('\n');
  int count = 0;
  const QRegularExpression shape(
      "^\\[ \\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d:\\d{3} \\]: Debug:\\t([a-h])\\1{299} "
      "\\(file:thread\\.cpp, line:(\\d), func: worker\\)\\r$");
  for (const QByteArray& l : lines) {
    if (l.isEmpty()) continue;
    const auto m = shape.match(QString::fromUtf8(l));
    ASSERT_TRUE(m.hasMatch()) << "torn line: " << l.left(80).constData();
    EXPECT_EQ(m.captured(1).at(0).unicode() - 'a', m.captured(2).toInt());
    ++count;
  }
  EXPECT_EQ(count, kThreads * kLines);
}

// Any message longer than a few KiB (a body logged whole somewhere) is cut,
// with its length noted; shorter ones are written whole.
TEST_F(LogDir, LongMessagesAreCutWithTheirLength) {
  const QMessageLogContext ctx("b.cpp", 9, "body", "default");
  const QString whole(8192, QChar('w'));
  debug_messageHandler(QtDebugMsg, ctx, whole);
  debug_messageHandler(QtDebugMsg, ctx, QString(1 << 20, QChar('x')));
  const QList<QByteArray> lines = readLog().split('\n');
  ASSERT_EQ(lines.size(), 3);
  EXPECT_TRUE(lines[0].contains(whole.toLatin1() + " (file:b.cpp"));
  EXPECT_LT(lines[1].size(), 9 * 1024);
  EXPECT_TRUE(lines[1].contains(QByteArray(8192, 'x') + " ... [cut, 1048576 characters in all] (file:b.cpp"))
      << lines[1].right(200).constData();
}

TEST_F(LogDir, OldLogIsRemovedAtStart) {
  QFile old(dir.path() + "/debug.txt");
  ASSERT_TRUE(old.open(QIODevice::WriteOnly));
  old.write("stale line\r\n");
  old.close();
  debug_removeOldLog();
  EXPECT_FALSE(QFile::exists(dir.path() + "/debug.txt"));
  debug_messageHandler(QtDebugMsg, QMessageLogContext("n.cpp", 2, "h", "default"), "fresh");
  const QByteArray log = readLog();
  EXPECT_FALSE(log.contains("stale"));
  EXPECT_TRUE(log.contains("fresh"));
}

// A log that cannot be opened (here a folder stands where debug.txt goes,
// which even root cannot open as a file) loses the line quietly, leaves
// what is there alone, and the next line is written once it can be.
TEST_F(LogDir, UnwritableLogLosesTheLineQuietly) {
  const QString path = dir.path() + "/debug.txt";
  ASSERT_TRUE(QDir(dir.path()).mkdir("debug.txt"));
  debug_messageHandler(QtWarningMsg, QMessageLogContext("n.cpp", 3, "h", "default"), "lost");
  EXPECT_TRUE(QFileInfo(path).isDir());
  EXPECT_TRUE(QDir(path).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty());
  ASSERT_TRUE(QDir(dir.path()).rmdir("debug.txt"));
  debug_messageHandler(QtWarningMsg, QMessageLogContext("n.cpp", 4, "h", "default"), "kept");
  const QByteArray log = readLog();
  EXPECT_TRUE(log.contains("kept"));
  EXPECT_FALSE(log.contains("lost"));
}

// The log holds tokens in its context: it is the user's alone, whatever the
// umask, and a log left open to others is made private by the next line,
// which the log itself then tells.
TEST_F(LogDir, LogIsPrivateAndALogOpenToOthersIsMadePrivate) {
  const QString path = dir.path() + "/debug.txt";
  testsupport::ScopedUmask mask(0);
  debug_messageHandler(QtDebugMsg, QMessageLogContext("n.cpp", 5, "h", "default"), "first");
  EXPECT_EQ(QFileInfo(path).permissions(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                               QFileDevice::ReadUser | QFileDevice::WriteUser);
  ASSERT_TRUE(QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ReadOther |
                                              QFileDevice::ReadGroup));
  debug_messageHandler(QtDebugMsg, QMessageLogContext("n.cpp", 6, "h", "default"), "second");
  debug_messageHandler(QtDebugMsg, QMessageLogContext("n.cpp", 7, "h", "default"), "third");
  EXPECT_EQ(QFileInfo(path).permissions(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                               QFileDevice::ReadUser | QFileDevice::WriteUser);
  const QList<QByteArray> lines = readLog().split('\n');
  ASSERT_EQ(lines.size(), 5) << readLog().constData();
  EXPECT_TRUE(lines[0].contains("first"));
  EXPECT_TRUE(lines[1].contains(QStringLiteral(": Debug:\tmade private: \"%1\" (was 644)")
                                    .arg(path)
                                    .toUtf8()))
      << lines[1].constData();
  EXPECT_TRUE(lines[2].contains("second"));
  EXPECT_TRUE(lines[3].contains("third"));
}

// However long the program runs, the log holds at most the bound in
// debug.txt plus one generation before it in debug.old.txt; the line
// format and the file names stay, and the old generation stays private.
TEST_F(LogDir, AtItsBoundTheLogMovesToTheOldFileAndOneGenerationIsKept) {
  const QString path = dir.path() + "/debug.txt";
  const QString old = dir.path() + "/debug.old.txt";
  constexpr qint64 kBound = 4096;
  debug_setLogBound(kBound);
  const QMessageLogContext ctx("r.cpp", 9, "f", "default");
  const QString filler(100, QLatin1Char('x'));
  int rotations = 0;
  qint64 lastSize = 0;
  for (int i = 0; i < 400; ++i) {
    debug_messageHandler(QtDebugMsg, ctx, QStringLiteral("line %1 ").arg(i, 4, 10, QLatin1Char('0')) + filler);
    const qint64 size = QFileInfo(path).size();
    if (size < lastSize) ++rotations;
    lastSize = size;
    ASSERT_LT(size, kBound) << "line " << i;
    ASSERT_LT(QFileInfo(old).size(), kBound + 256) << "line " << i;
  }
  // The last line may have just moved the log: one more starts the next.
  if (!QFile::exists(path)) debug_messageHandler(QtDebugMsg, ctx, QStringLiteral("line 0400 ") + filler);
  debug_setLogBound(0);
  EXPECT_GE(rotations, 5);
  // Only the two files: no third generation anywhere.
  EXPECT_EQ(QDir(dir.path()).entryList({"debug*"}, QDir::Files), (QStringList{"debug.old.txt", "debug.txt"}));
  // The old generation ends where the new one begins: line numbers run on.
  QFile o(old), n(path);
  ASSERT_TRUE(o.open(QIODevice::ReadOnly) && n.open(QIODevice::ReadOnly));
  const QList<QByteArray> oldLines = o.readAll().split('\n');
  const QList<QByteArray> newLines = n.readAll().split('\n');
  ASSERT_GE(oldLines.size(), 2);
  ASSERT_GE(newLines.size(), 1);
  const QRegularExpression number(QStringLiteral("Debug:\tline (\\d{4}) x+ \\(file:r.cpp, line:9, func: f\\)\r$"));
  const QRegularExpressionMatch lastOld = number.match(QString::fromUtf8(oldLines[oldLines.size() - 2]));
  const QRegularExpressionMatch firstNew = number.match(QString::fromUtf8(newLines[0]));
  ASSERT_TRUE(lastOld.hasMatch()) << oldLines[oldLines.size() - 2].constData();
  ASSERT_TRUE(firstNew.hasMatch()) << newLines[0].constData();
  EXPECT_EQ(firstNew.captured(1).toInt(), lastOld.captured(1).toInt() + 1);
  EXPECT_EQ(QFileInfo(old).permissions(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                              QFileDevice::ReadUser | QFileDevice::WriteUser);
  // A new run starts with neither.
  debug_removeOldLog();
  EXPECT_FALSE(QFile::exists(path));
  EXPECT_FALSE(QFile::exists(old));
}
