#include "sql/user_files.h"

#include <QDebug>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QUuid>
#include <mutex>

#include "util_class/app_paths.h"
#include "util_class/private_files.h"
#include "util_class/safe_file_name.h"
#include "util_class/user_folder_name.h"

namespace user_files {

QString usersFolder() { return app_paths::dataDir() + QStringLiteral("/user_private_dir/"); }

QString userPrivateDir(const QString& userName) {
  return usersFolder() + user_folder_name(userName) +
         QStringLiteral("_private_dir/");
}

}  // namespace user_files

namespace {

QString lastLoginPath() { return app_paths::dataDir() + QStringLiteral("/userNameLastLogin.txt"); }
QString uuidPath() { return app_paths::dataDir() + QStringLiteral("/private_uuid.txt"); }

// First line of the file (at most 1023 bytes), UTF-8, trimmed.
bool readFirstLine(const QString& path, QString& out) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  out = QString::fromUtf8(file.readLine(1024)).trimmed();
  return true;
}

bool writeWhole(const QString& path, const QString& text) {
  QSaveFile file(path);
  if (!private_files::open(file)) return false;
  const QByteArray bytes = text.toUtf8();
  return file.write(bytes) == bytes.size() && file.commit();
}

// The text of an install id as this program makes it (QUuid::toString):
// "{8-4-4-4-12}" hexadecimal digits in braces.
bool isInstallIdText(const QString& text) {
  if (text.size() != 38 || text.front() != QLatin1Char('{') || text.back() != QLatin1Char('}'))
    return false;
  return !QUuid::fromString(text).isNull();
}

// A private folder (0700); an existing one is made private when it is not.
void ensureFolder(const QString& path) {
  if (QDir().exists(path)) {
    qDebug() << path << " esists ";
    private_files::makeFolder(path);
    return;
  }
  const bool ok = private_files::makeFolder(path);
  qDebug() << (ok ? QStringLiteral("create :") + path : QStringLiteral("create :") + path + " err");
}

}  // namespace

QString userPrivate_dir_init(const QString& userName) {
  ensureFolder(user_files::usersFolder());
  const QString dir = user_files::userPrivateDir(userName);
  ensureFolder(dir);
  qDebug() << "userName_private_dir :" << dir;
  return dir;
}

void userName_loginReadToLocalFile(QString& out) {
  QString name;
  if (!readFirstLine(lastLoginPath(), name)) {
    qDebug() << "last login not remeber userName ";
    return;
  }
  out = name;
  qDebug() << "last login userName :" << out;
}

void userName_loginWriteToLocalFile(const QString& userName) {
  if (writeWhole(lastLoginPath(), userName)) {
    qDebug() << "last login userName write to local :" << userName;
  }
}

void userName_loginRemoveLocalFile() { QFile::remove(lastLoginPath()); }

void uuidReadToLocalFile(QString& out) {
  static std::mutex memoryMutex;
  static QString memoryId;  // the id of this run when the file cannot hold it
  std::lock_guard<std::mutex> lock(memoryMutex);
  QString id;
  if (readFirstLine(uuidPath(), id) && isInstallIdText(id)) {
    out = id;
    qDebug() << "uuid :" << out;
    return;
  }
  // Garbage would go to the cloud as this installation's id: a fresh id
  // takes its place.
  if (!id.isEmpty()) qWarning() << "private_uuid.txt holds no install id, a new one replaces it";
  if (memoryId.isEmpty()) memoryId = QUuid::createUuid().toString();
  out = memoryId;
  if (writeWhole(uuidPath(), memoryId)) {
    memoryId.clear();  // the file holds it from now on
  } else {
    qWarning() << "uuid file cannot be written, keeping the id in memory:" << uuidPath();
  }
  qDebug() << "uuid :" << out;
}

QString device_picture_find(const QString& userPrivateDir, const QString& text,
                            const QString& fallbackName) {
  // "" would be part of every file name; it and "." / ".." stand for the
  // fallback name, as when the picture was written.
  const bool needsFallback =
      text.isEmpty() || text == QLatin1String(".") || text == QLatin1String("..");
  if (needsFallback && fallbackName.isEmpty()) return {};
  const QDir dir(userPrivateDir + QStringLiteral("device_picture"));
  if (!dir.exists()) return {};
  const QString name = safe_file_name(text, fallbackName);
  const QFileInfo exact(dir.filePath(name + QStringLiteral(".jpeg")));
  if (exact.isFile()) return exact.absoluteFilePath();
  const QFileInfoList entries =
      dir.entryInfoList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
  for (const QFileInfo& entry : entries) {
    if (entry.isFile() && entry.fileName().contains(name, Qt::CaseSensitive)) {
      return entry.absoluteFilePath();
    }
  }
  return {};
}

namespace user_files {

void prepareDataFolder() {
  // Made private when missing; the user's own folder is private as a whole.
  const QString data = QDir::cleanPath(app_paths::dataDir());
  private_files::makeFolder(data);
  if (data == app_paths::usersDataDir()) private_files::tighten(data);
  private_files::tighten(lastLoginPath());
  private_files::tighten(uuidPath());
  const QString users = QDir::cleanPath(usersFolder());
  if (!QFileInfo(users).isDir()) return;
  private_files::tighten(users);
  QDirIterator it(users, QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks | QDir::Hidden,
                  QDirIterator::Subdirectories);
  while (it.hasNext()) private_files::tighten(it.next());
}

}  // namespace user_files
