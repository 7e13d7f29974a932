#include "sql/group_file.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include "data_dir_fixture.h"
#include "qt_print.h"
#include "sql/user_files.h"

namespace {

const QString kDrop = QStringLiteral("a','','','','');DROP TABLE groups;--");

class GroupFile : public DataDirTest {
 protected:
  void SetUp() override {
    DataDirTest::SetUp();
    userDir = userPrivate_dir_init(QStringLiteral("alice"));
    ASSERT_TRUE(device_groupInfodb_init(userDir));
  }

  // Runs the sqlite3 command-line shell on group.dat.
  QByteArray sqlite(const QStringList& args) {
    QProcess p;
    p.start(SQLITE3_CLI, QStringList{groupFilePath(userDir)} + args);
    EXPECT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    return p.readAllStandardOutput();
  }

  QJsonArray cliRows() {
    return QJsonDocument::fromJson(
               sqlite(
                   {"-json", "SELECT groupName,device_1,device_2,device_3,device_4 FROM groups"}))
        .array();
  }

  QList<StoredGroup> load() {
    QList<StoredGroup> groups;
    EXPECT_TRUE(device_groupInfodb_read_groupInfo(userDir, groups));
    return groups;
  }

  QString userDir;
};

}  // namespace

TEST_F(GroupFile, SchemaIsExactlyTheGroupsTable) {
  EXPECT_TRUE(device_groupInfodb_init(userDir));  // a second create changes nothing
  const QByteArray objects = sqlite({"SELECT type, name, sql FROM sqlite_master ORDER BY name"});
  EXPECT_EQ(objects,
            "table|groups|CREATE TABLE groups(groupName VARCHAR(40) PRIMARY KEY NOT NULL, device_1 "
            "VARCHAR(100), device_2 VARCHAR(100), device_3 VARCHAR(100), device_4 VARCHAR(100))\n"
            "index|sqlite_autoindex_groups_1|\n");
}

TEST_F(GroupFile, AnyTextIsStoredAndLoadedVerbatim) {
  const QString sixty = QString(60, QChar('g'));
  const QList<QuadWindowDevice_local_file_node> rows = {
      {"it's mine", "dev'1", "", "", ""},
      {kDrop, "d1", "d2", "d3", "d4"},
      {QString::fromUtf8("Wohnzimmer \xE2\x98\x95 \xE5\xAE\xA2\xE5\x8E\x85"), "x\"y", "", "z", ""},
      {sixty, QString(100, QChar('d')), "", "", ""},
      {"back\\slash %s ?1 :a", "", "", "", ""},
  };
  for (const auto& row : rows)
    EXPECT_TRUE(device_groupInfodb_insert(userDir, row)) << row.groupName.toStdString();

  const QJsonArray cli = cliRows();
  ASSERT_EQ(cli.size(), rows.size());
  const QList<StoredGroup> loaded = load();
  ASSERT_EQ(loaded.size(), rows.size());
  for (int i = 0; i < rows.size(); ++i) {
    const QStringList expected = {rows[i].device_1, rows[i].device_2, rows[i].device_3,
                                  rows[i].device_4};
    const QJsonObject o = cli[i].toObject();
    EXPECT_EQ(o["groupName"].toString(), rows[i].groupName);
    const QStringList cliDevices = {o["device_1"].toString(), o["device_2"].toString(),
                                    o["device_3"].toString(), o["device_4"].toString()};
    EXPECT_EQ(cliDevices, expected);
    EXPECT_EQ(loaded[i].groupName, rows[i].groupName);
    EXPECT_EQ(loaded[i].devices, expected);
  }
  EXPECT_EQ(loaded[3].groupName.size(), 60);
}

TEST_F(GroupFile, TwoMemberGroupLoadsAsFourEntries) {
  ASSERT_TRUE(device_groupInfodb_insert(userDir, {"pair", "d1", "d2", "", ""}));
  const QList<StoredGroup> loaded = load();
  ASSERT_EQ(loaded.size(), 1);
  EXPECT_EQ(loaded[0].devices, QStringList({"d1", "d2", "", ""}));
}

TEST_F(GroupFile, RowsWrittenByOthersLoadToo) {
  sqlite({"INSERT INTO groups VALUES ('o''neil', 'a', NULL, 'c', NULL)"});
  const QList<StoredGroup> loaded = load();
  ASSERT_EQ(loaded.size(), 1);
  EXPECT_EQ(loaded[0].groupName, "o'neil");
  EXPECT_EQ(loaded[0].devices, QStringList({"a", "", "c", ""}));
}

TEST_F(GroupFile, LoadAppendsAndEmptyFileAddsNothing) {
  QList<StoredGroup> groups;
  ASSERT_TRUE(device_groupInfodb_read_groupInfo(userDir, groups));
  EXPECT_TRUE(groups.isEmpty());
  ASSERT_TRUE(device_groupInfodb_insert(userDir, {"g", "d1", "", "", ""}));
  ASSERT_TRUE(device_groupInfodb_read_groupInfo(userDir, groups));
  ASSERT_TRUE(device_groupInfodb_read_groupInfo(userDir, groups));
  EXPECT_EQ(groups.size(), 2);
}

TEST_F(GroupFile, DuplicateNameFailsAndKeepsTheFirst) {
  ASSERT_TRUE(device_groupInfodb_insert(userDir, {"g", "first", "", "", ""}));
  EXPECT_FALSE(device_groupInfodb_insert(userDir, {"g", "second", "", "", ""}));
  const QList<StoredGroup> loaded = load();
  ASSERT_EQ(loaded.size(), 1);
  EXPECT_EQ(loaded[0].devices[0], "first");
}

TEST_F(GroupFile, DeleteRemovesOnlyThatName) {
  for (const QString& name : {QStringLiteral("a"), kDrop, QStringLiteral("it's")}) {
    ASSERT_TRUE(device_groupInfodb_insert(userDir, {name, "", "", "", ""}));
  }
  EXPECT_TRUE(device_groupInfodb_delete_byGroupName(userDir, kDrop));
  EXPECT_TRUE(device_groupInfodb_delete_byGroupName(userDir, "it's"));
  EXPECT_TRUE(device_groupInfodb_delete_byGroupName(userDir, "not stored"));
  const QList<StoredGroup> loaded = load();
  ASSERT_EQ(loaded.size(), 1);
  EXPECT_EQ(loaded[0].groupName, "a");
}

TEST_F(GroupFile, MissingFolderFailsEveryOperation) {
  const QString gone = path("nobody_private_dir/");
  QList<StoredGroup> groups;
  EXPECT_FALSE(device_groupInfodb_init(gone));
  EXPECT_FALSE(device_groupInfodb_insert(gone, {"g", "", "", "", ""}));
  EXPECT_FALSE(device_groupInfodb_read_groupInfo(gone, groups));
  EXPECT_FALSE(device_groupInfodb_delete_byGroupName(gone, "g"));
  EXPECT_TRUE(groups.isEmpty());
}

// A group.dat above 16 MiB is not opened at all: every operation refuses
// it, and the file (a sound database the shell still reads) is left exactly
// as it was. At the limit it is used as ever.
TEST_F(GroupFile, AFileAbove16MiBIsRefusedByEveryOperationAndLeftAsItIs) {
  ASSERT_TRUE(device_groupInfodb_insert(userDir, {"kept", "A", "B", "", ""}));
  sqlite({"CREATE TABLE pad(b); INSERT INTO pad VALUES (zeroblob(16700000));"});
  const qint64 size = QFileInfo(groupFilePath(userDir)).size();
  ASSERT_LE(size, 16 << 20);
  EXPECT_EQ(load().size(), 1) << "a file at the limit is read";
  sqlite({QStringLiteral("INSERT INTO pad VALUES (zeroblob(%1));").arg((16 << 20) - size + 65536)});
  ASSERT_GT(QFileInfo(groupFilePath(userDir)).size(), 16 << 20);
  const QByteArray before = readAll(groupFilePath(userDir));

  QList<StoredGroup> groups;
  EXPECT_FALSE(device_groupInfodb_read_groupInfo(userDir, groups));
  EXPECT_TRUE(groups.isEmpty());
  EXPECT_FALSE(device_groupInfodb_init(userDir));
  EXPECT_FALSE(device_groupInfodb_insert(userDir, {"new", "C", "", "", ""}));
  EXPECT_FALSE(device_groupInfodb_delete_byGroupName(userDir, "kept"));
  EXPECT_TRUE(readAll(groupFilePath(userDir)) == before) << "group.dat was changed";
  EXPECT_EQ(sqlite({"SELECT groupName FROM groups"}), "kept\n");
}
