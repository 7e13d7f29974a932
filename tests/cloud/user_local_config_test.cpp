#include "util_class/user_local_config.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "../app/log_capture.h"
#include "data_dir_fixture.h"
#include "qt_print.h"
#include "sql/user_files.h"

namespace {

class UserConfig : public DataDirTest {
 protected:
  void SetUp() override {
    DataDirTest::SetUp();
    userPrivate_dir_init("A");
    userPrivate_dir_init("B");
  }
  static UserLocalConfig read(const QString& user) {
    UserLocalConfig c;
    EXPECT_TRUE(readConfigFileFromUsername(user, c)) << user.toStdString();
    return c;
  }
};

}  // namespace

TEST_F(UserConfig, FirstWriteHasTheExactPrintedForm) {
  ASSERT_TRUE(
      writeConfigFileUserinfo("A", "a@example.com", "p\xC3\xA4ss \"word\"", "", "", 86, 1, 2));
  EXPECT_EQ(readAll(userConfigFilePath("A")),
            "{\n"
            "\t\"emailUserName\":\t\"a@example.com\",\n"
            "\t\"emailPassWord\":\t\"p\xC3\xA4ss \\\"word\\\"\",\n"
            "\t\"phoneUserName\":\t\"\",\n"
            "\t\"phonePassWord\":\t\"\",\n"
            "\t\"countryCode\":\t86,\n"
            "\t\"remeberUser\":\t1,\n"
            "\t\"loginMode\":\t2,\n"
            "\t\"rootSavePath\":\t\"\",\n"
            "\t\"videoSavePath\":\t\"\",\n"
            "\t\"pictureSavePath\":\t\"\"\n"
            "}\n");
  const UserLocalConfig c = read("A");
  EXPECT_EQ(c.emailPassWord, QString::fromUtf8("p\xC3\xA4ss \"word\""));  // stored as typed
  EXPECT_EQ(c.countryCode, 86);
  EXPECT_EQ(c.remeberUser, 1);
  EXPECT_EQ(c.loginMode, 2);
}

TEST_F(UserConfig, EachUserKeepsOwnValues) {
  ASSERT_TRUE(writeConfigFileUserinfo("A", "a@x", "secretA", "", "", 0, 1, 0));
  ASSERT_TRUE(writeConfigFileAVideoinfo("A", "/media/a", "/media/a/video", "/media/a/pic"));
  const UserLocalConfig a = read("A");  // what the main window last read

  // B signs in next: B's file gets B's values only, none of A's folders or password.
  ASSERT_TRUE(writeConfigFileUserinfo("B", "", "", "5550100", "secretB", 1, 0, 1));
  const UserLocalConfig b = read("B");
  EXPECT_EQ(b.phoneUserName, "5550100");
  EXPECT_EQ(b.emailPassWord, "");
  EXPECT_EQ(b.rootSavePath, "");
  EXPECT_EQ(b.videoSavePath, "");
  EXPECT_EQ(b.pictureSavePath, "");
  EXPECT_FALSE(readAll(userConfigFilePath("B")).contains("secretA"));

  // B picks a root folder: only B's root changes; A's file is untouched.
  const QByteArray aBefore = readAll(userConfigFilePath("A"));
  UserLocalConfig written;
  ASSERT_TRUE(writeConfigFileAVideoinfo("B", "/media/b", "", "", &written));
  EXPECT_EQ(written.rootSavePath, "/media/b");
  EXPECT_EQ(written.phonePassWord, "secretB");
  EXPECT_EQ(readAll(userConfigFilePath("A")), aBefore);
  EXPECT_EQ(read("B").rootSavePath, "/media/b");
  EXPECT_EQ(read("A").rootSavePath, a.rootSavePath);

  // A signs in again: its folders survive the login write.
  ASSERT_TRUE(writeConfigFileUserinfo("A", "a@x", "newA", "", "", 0, 1, 0));
  const UserLocalConfig a2 = read("A");
  EXPECT_EQ(a2.emailPassWord, "newA");
  EXPECT_EQ(a2.videoSavePath, "/media/a/video");
  EXPECT_EQ(a2.pictureSavePath, "/media/a/pic");
}

TEST_F(UserConfig, FolderWriterWithoutAnyRecordOrFile) {
  UserLocalConfig written;
  ASSERT_TRUE(writeConfigFileAVideoinfo("B", "", "/v", "", &written));
  const UserLocalConfig b = read("B");
  EXPECT_EQ(b.videoSavePath, "/v");
  EXPECT_EQ(b.rootSavePath, "");
  EXPECT_EQ(b.emailUserName, "");
  EXPECT_EQ(b.countryCode, 0);
  EXPECT_EQ(written.videoSavePath, "/v");
}

TEST_F(UserConfig, OnlyRootPickedKeepsTheOtherFolders) {
  ASSERT_TRUE(writeConfigFileAVideoinfo("A", "/r", "/v", "/p"));
  ASSERT_TRUE(writeConfigFileAVideoinfo("A", "/r2", "", ""));
  const UserLocalConfig c = read("A");
  EXPECT_EQ(c.rootSavePath, "/r2");
  EXPECT_EQ(c.videoSavePath, "/v");
  EXPECT_EQ(c.pictureSavePath, "/p");
}

TEST_F(UserConfig, ReadingTable) {
  const struct {
    QByteArray file;
    bool ok;
    QString email;
    int country;
  } cases[] = {
      {"{}", true, "", 0},
      {"{\"emailUserName\":5,\"countryCode\":\"86\"}", true, "", 0},
      {"{\"emailUserName\":\"e\",\"countryCode\":49}", true, "e", 49},
      {QByteArray("{\"emailUserName\":\"z\"}") + QByteArray(1, '\0') + "garbage", true, "z", 0},
      {"[1,2]", true, "", 0},  // JSON, but not an object: every value is its default
      {"null", true, "", 0},
      {"not json", false, "", 0},
      {"{\"emailUserName\":", false, "", 0},
      {"", false, "", 0},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(writeAll(userConfigFilePath("A"), c.file));
    UserLocalConfig out;
    out.emailUserName = "before";
    EXPECT_EQ(readConfigFileFromUsername("A", out), c.ok) << c.file.toStdString();
    if (c.ok) {
      EXPECT_EQ(out.emailUserName, c.email) << c.file.toStdString();
      EXPECT_EQ(out.countryCode, c.country);
    } else {
      EXPECT_EQ(out.emailUserName, "before");
    }
  }
  UserLocalConfig out;
  EXPECT_FALSE(readConfigFileFromUsername("nobody", out));
}

TEST_F(UserConfig, OtherMembersOfTheFileSurviveWrites) {
  ASSERT_TRUE(writeAll(userConfigFilePath("A"), "{\"emailUserName\":\"e\",\"futureKey\":[1,2]}"));
  ASSERT_TRUE(writeConfigFileAVideoinfo("A", "/r", "", ""));
  const QByteArray text = readAll(userConfigFilePath("A"));
  EXPECT_TRUE(text.contains("\"futureKey\":\t[1, 2]")) << text.toStdString();
  EXPECT_EQ(read("A").emailUserName, "e");
}

TEST_F(UserConfig, WritersReplaceAFileThatIsNoObject) {
  for (const QByteArray& text : {QByteArray("[1,\"x\",{\"k\":2}]"), QByteArray("garbage")}) {
    ASSERT_TRUE(writeAll(userConfigFilePath("A"), text));
    ASSERT_TRUE(writeConfigFileAVideoinfo("A", "/r", "", ""));
    const UserLocalConfig c = read("A");
    EXPECT_EQ(c.rootSavePath, "/r") << text.toStdString();
    EXPECT_FALSE(readAll(userConfigFilePath("A")).contains("\"k\"")) << text.toStdString();
  }
}

TEST_F(UserConfig, WriteIntoAMissingFolderFails) {
  EXPECT_FALSE(writeConfigFileUserinfo("never-made", "e", "p", "", "", 0, 0, 0));
  UserLocalConfig out;
  EXPECT_FALSE(readConfigFileFromUsername("never-made", out));
}

TEST_F(UserConfig, ReadingLogsNoRememberedPassword) {
  ASSERT_TRUE(writeConfigFileUserinfo("A", "a@example.com", "mail-secret-1", "138",
                                      "phone-secret-2", 86, 1, 0));
  testsupport::LogCapture log;
  const UserLocalConfig c = read("A");
  EXPECT_EQ(c.emailPassWord, "mail-secret-1");
  EXPECT_GT(log.count("a@example.com"), 0) << "the file is still logged";
  EXPECT_EQ(log.count("mail-secret-1"), 0);
  EXPECT_EQ(log.count("phone-secret-2"), 0);
}

// A config.json above 1 MiB is not the program's: it reads as missing, the
// writers refuse to replace it (so what it holds survives), and the log says
// so in one line. One of exactly 1 MiB is still read.
TEST_F(UserConfig, AFileAbove1MiBReadsAsMissingAndIsNeverWrittenOver) {
  const auto fileOf = [](int bytes) {
    const QByteArray head = R"({"emailUserName":"big@example.com","pad":")";
    const QByteArray tail = "\"}";
    return head + QByteArray(bytes - head.size() - tail.size(), 'p') + tail;
  };
  const struct {
    int bytes;
    bool refused;
  } cases[] = {{1 << 20, false}, {(1 << 20) + 1, true}, {60 << 20, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes);
    const QByteArray text = fileOf(c.bytes);
    ASSERT_EQ(text.size(), c.bytes);
    ASSERT_TRUE(writeAll(userConfigFilePath("A"), text));
    testsupport::LogCapture log;
    UserLocalConfig out;
    out.emailUserName = "untouched";
    EXPECT_EQ(readConfigFileFromUsername("A", out), !c.refused);
    EXPECT_EQ(out.emailUserName, c.refused ? "untouched" : "big@example.com");
    if (!c.refused) continue;
    EXPECT_FALSE(writeConfigFileUserinfo("A", "new@example.com", "pw", "", "", 0, 1, 0));
    EXPECT_FALSE(writeConfigFileAVideoinfo("A", "/root", "/video", "/picture"));
    EXPECT_TRUE(readAll(userConfigFilePath("A")) == text) << "config.json was changed";
    EXPECT_EQ(log.count("not read and left as it is"), 3);
    int longest = 0;
    for (const QString& line : log.lines()) longest = std::max(longest, int(line.size()));
    EXPECT_LT(longest, 1024) << "the file went to the log";
  }
}
