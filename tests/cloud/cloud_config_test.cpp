#include "http_command/cloud_config.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QSslConfiguration>

#include "data_dir_fixture.h"
#include "qt_print.h"

namespace {

class CloudConfigFiles : public DataDirTest {
 protected:
  void SetUp() override {
    DataDirTest::SetUp();
    qunsetenv(cloud_config::kUrlVariable);
    qunsetenv(cloud_config::kCaVariable);
  }
  void TearDown() override {
    qunsetenv(cloud_config::kUrlVariable);
    qunsetenv(cloud_config::kCaVariable);
    DataDirTest::TearDown();
  }
  void writeConf(const QByteArray& text) {
    ASSERT_TRUE(writeAll(path(cloud_config::kFileName), text));
  }
};

}  // namespace

TEST(CloudConfigUrl, ValidationTable) {
  const struct {
    const char* url;
    bool ok;
  } cases[] = {
      {"https://127.0.0.1:8443", true},
      {"https://cloud.example.org", true},
      {"https://cloud.example.org/base/", true},
      {"http://cloud.example.org", false},
      {"ftp://cloud.example.org", false},
      {"https://", false},
      {"https:///path", false},
      {"cloud.example.org", false},
      {"", false},
      {"https://cloud.example.org/?x=1", false},
      {"https://user:pw@cloud.example.org", false},
      {"https://exa mple.org", false},
  };
  for (const auto& c : cases) {
    QString why;
    EXPECT_EQ(cloud_config::validateEntryUrl(QString::fromLatin1(c.url), &why), c.ok) << c.url;
    EXPECT_EQ(why.isEmpty(), c.ok) << c.url << ": " << why.toStdString();
  }
}

TEST_F(CloudConfigFiles, EnvironmentThenFileThenPlaceholder) {
  CloudConfig c;
  QString why;
  ASSERT_TRUE(cloud_config::load(c, &why)) << why.toStdString();
  EXPECT_EQ(c.entryUrl, cloud_config::kDefaultEntryUrl);
  EXPECT_TRUE(c.caFile.isEmpty());

  writeConf("# the simulated cloud\nurl = https://127.0.0.1:9443/\nca=certs/ca.pem\n");
  ASSERT_TRUE(cloud_config::load(c, &why));
  EXPECT_EQ(c.entryUrl, "https://127.0.0.1:9443");
  EXPECT_EQ(c.caFile, dir.filePath("certs/ca.pem"));

  // A long comment stays one comment, however long it is.
  writeConf("url=https://127.0.0.1:9444\n# " + QByteArray(4093, 'x') +
            "url=http://not.a.setting\n");
  ASSERT_TRUE(cloud_config::load(c, &why)) << why.toStdString();
  EXPECT_EQ(c.entryUrl, "https://127.0.0.1:9444");

  qputenv(cloud_config::kUrlVariable, "https://10.1.2.3:444");
  qputenv(cloud_config::kCaVariable, "/abs/ca.pem");
  ASSERT_TRUE(cloud_config::load(c, &why));
  EXPECT_EQ(c.entryUrl, "https://10.1.2.3:444");
  EXPECT_EQ(c.caFile, "/abs/ca.pem");
}

TEST_F(CloudConfigFiles, InvalidUrlFailsAndKeepsTheRecord) {
  writeConf("url=http://plain.example.org\n");
  CloudConfig c;
  c.entryUrl = "unchanged";
  QString why;
  EXPECT_FALSE(cloud_config::load(c, &why));
  EXPECT_TRUE(why.contains("https")) << why.toStdString();
  EXPECT_EQ(c.entryUrl, "unchanged");
  EXPECT_FALSE(cloud_config::apply(c, &why));
}

TEST_F(CloudConfigFiles, CaFileJoinsTheDefaultTrustedSet) {
  const QString ca = dir.filePath("ca.pem");
  QProcess openssl;
  openssl.start("openssl",
                {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", dir.filePath("ca.key"),
                 "-out", ca, "-days", "1", "-subj", "/CN=camviewer test CA"});
  ASSERT_TRUE(openssl.waitForFinished(60000));
  ASSERT_EQ(openssl.exitCode(), 0) << openssl.readAllStandardError().toStdString();

  const int before = QSslConfiguration::defaultConfiguration().caCertificates().size();
  QString why;
  ASSERT_TRUE(cloud_config::installCaFile(ca, &why)) << why.toStdString();
  const QList<QSslCertificate> after = QSslConfiguration::defaultConfiguration().caCertificates();
  EXPECT_EQ(after.size(), before + 1);
  EXPECT_EQ(after.last().subjectInfo(QSslCertificate::CommonName).value(0), "camviewer test CA");

  const struct {
    const char* name;
    QByteArray content;
  } bad[] = {{"missing.pem", {}}, {"garbage.pem", "not a certificate\n"}};
  for (const auto& b : bad) {
    const QString file = path(b.name);
    if (!b.content.isNull()) {
      ASSERT_TRUE(writeAll(file, b.content));
    }
    why.clear();
    EXPECT_FALSE(cloud_config::installCaFile(file, &why)) << b.name;
    EXPECT_FALSE(why.isEmpty()) << b.name;
  }
  EXPECT_EQ(QSslConfiguration::defaultConfiguration().caCertificates().size(), before + 1);

  qputenv(cloud_config::kCaVariable, dir.filePath("missing.pem").toLocal8Bit());
  CloudConfig c;
  EXPECT_FALSE(cloud_config::apply(c, &why));
}
