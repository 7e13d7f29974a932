#include "util_class/app_paths.h"

#include <pwd.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace app_paths {

namespace {

// The folder an environment variable names; empty when it is not set.
QString folderFromVariable(const char* variable) {
  const QByteArray value = qgetenv(variable);
  return value.isEmpty() ? QString() : QDir::cleanPath(QString::fromLocal8Bit(value));
}

bool exists(const QString& folder, const char* name) {
  return QFileInfo::exists(folder + QLatin1Char('/') + QLatin1String(name));
}

// Files the program writes into its data folder (and cloud.conf, which a
// person puts there).
bool holdsProgramData(const QString& folder) {
  for (const char* name : {"user_private_dir", "private_uuid.txt", "userNameLastLogin.txt",
                           "debug.txt", "cloud.conf"}) {
    if (exists(folder, name)) return true;
  }
  return false;
}

// What the program ships with.
bool holdsShippedFiles(const QString& folder) {
  return exists(folder, "countrycode.json") || exists(folder, "Orvanta_image");
}

// The account's home as the password database has it (for a process
// started without HOME); the temporary folder when there is none.
QString accountHome() {
  passwd entry {};
  passwd* found = nullptr;
  char buffer[4096];
  if (getpwuid_r(getuid(), &entry, buffer, sizeof buffer, &found) == 0 && found && found->pw_dir &&
      found->pw_dir[0] == '/') {
    return QString::fromLocal8Bit(found->pw_dir);
  }
  return QDir::tempPath();
}

}  // namespace

QString usersDataDir() {
  QString base = folderFromVariable("XDG_DATA_HOME");
  if (base.isEmpty() || QDir::isRelativePath(base)) {
    QString home = folderFromVariable("HOME");
    if (home.isEmpty()) home = accountHome();
    base = home + QStringLiteral("/.local/share");
  }
  return QDir::cleanPath(base + QStringLiteral("/camviewer"));
}

QString dataDirFor(const QString& programFolder) {
  const QString named = folderFromVariable("CAMVIEWER_DATA_DIR");
  if (!named.isEmpty()) return named;
  if (QFileInfo(programFolder).isWritable() && holdsProgramData(programFolder)) return programFolder;
  return usersDataDir();
}

QString programDirFor(const QString& programFolder) {
  const QString named = folderFromVariable("CAMVIEWER_PROGRAM_DIR");
  if (!named.isEmpty()) return named;
  if (holdsShippedFiles(programFolder)) return programFolder;
  const QString installed = QDir::cleanPath(programFolder + QStringLiteral("/../share/camviewer"));
  return holdsShippedFiles(installed) ? installed : programFolder;
}

QString dataDir() { return dataDirFor(QCoreApplication::applicationDirPath()); }

QString programDir() { return programDirFor(QCoreApplication::applicationDirPath()); }

QString picture(const QString& name) { return programDir() + QLatin1String(kImageFolder) + name; }

}  // namespace app_paths
