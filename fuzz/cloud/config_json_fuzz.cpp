// config.json as found on disk, whatever it holds: the reader, then the
// folder writer and the login writer on that file, then the reader again.
// Whatever the file held, the values just written read back, and the
// values a writer does not own are kept.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>

#include "fuzz_check.h"
#include "sql/user_files.h"
#include "util_class/user_local_config.h"

namespace {

const QString kUser = QStringLiteral("fuzz@example.com");

bool sameLogin(const UserLocalConfig& a, const UserLocalConfig& b) {
  return a.emailUserName == b.emailUserName && a.emailPassWord == b.emailPassWord &&
         a.phoneUserName == b.phoneUserName && a.phonePassWord == b.phonePassWord &&
         a.countryCode == b.countryCode && a.remeberUser == b.remeberUser && a.loginMode == b.loginMode;
}

QString configPath() {
  static QTemporaryDir* dir = [] {
    // In memory where possible: the writers sync the file on every commit.
    const QString base = QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
    auto* d = new QTemporaryDir(base + QStringLiteral("/camviewer-fuzz-XXXXXX"));  // lives for the whole run
    FUZZ_CHECK(d->isValid());
    qputenv("CAMVIEWER_DATA_DIR", d->path().toLocal8Bit());
    userPrivate_dir_init(kUser);
    return d;
  }();
  (void)dir;
  return userConfigFilePath(kUser);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString path = configPath();
  {
    QFile f(path);
    FUZZ_CHECK(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_CHECK(f.write(reinterpret_cast<const char*>(data), qint64(size)) == qint64(size));
  }
  UserLocalConfig before;
  const bool readable = readConfigFileFromUsername(kUser, before);

  UserLocalConfig stored;
  FUZZ_CHECK(writeConfigFileAVideoinfo(kUser, QStringLiteral("/root"), QString(), QStringLiteral("/pics"), &stored));
  UserLocalConfig after;
  FUZZ_CHECK(readConfigFileFromUsername(kUser, after));
  FUZZ_CHECK(after.rootSavePath == "/root" && after.pictureSavePath == "/pics");
  if (readable) {
    FUZZ_CHECK(sameLogin(after, before) && after.videoSavePath == before.videoSavePath);
  }

  FUZZ_CHECK(writeConfigFileUserinfo(kUser, "e", "p\"w\\", "1", QString::fromUtf8("\xE5\xAF\x86"), 86, 1, 2));
  UserLocalConfig last;
  FUZZ_CHECK(readConfigFileFromUsername(kUser, last));
  FUZZ_CHECK(last.emailUserName == "e" && last.emailPassWord == "p\"w\\" && last.phoneUserName == "1" &&
             last.phonePassWord == QString::fromUtf8("\xE5\xAF\x86") && last.countryCode == 86 &&
             last.remeberUser == 1 && last.loginMode == 2);
  FUZZ_CHECK(last.rootSavePath == "/root" && last.pictureSavePath == "/pics" &&
             last.videoSavePath == after.videoSavePath);
  return 0;
}
