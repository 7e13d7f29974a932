#include "util_class/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <QFile>

namespace single_instance {

namespace {

QString errnoText(const char* what, const QString& path) {
  return QStringLiteral("%1 %2: %3").arg(QLatin1String(what), path,
                                         QString::fromLocal8Bit(std::strerror(errno)));
}

// A folder of this user's that nobody else can write into.
bool privateFolder(const QByteArray& path, QString* why) {
  struct stat st {};
  if (lstat(path.constData(), &st) != 0) {
    if (why) *why = errnoText("lstat", QFile::decodeName(path));
    return false;
  }
  if (!S_ISDIR(st.st_mode) || st.st_uid != geteuid() || (st.st_mode & 077) != 0) {
    if (why) {
      *why = QStringLiteral("%1 is not a private folder of this user").arg(QFile::decodeName(path));
    }
    return false;
  }
  return true;
}

}  // namespace

QString lockFolder(QString* why, const QString& tmpRoot) {
  const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
  struct stat st {};
  if (!runtime.isEmpty() && stat(runtime.constData(), &st) == 0 && S_ISDIR(st.st_mode)) {
    return QFile::decodeName(runtime);
  }
  const QByteArray fallback = QFile::encodeName(tmpRoot) + "/camviewer-" +
                              QByteArray::number(static_cast<qulonglong>(geteuid()));
  if (mkdir(fallback.constData(), 0700) != 0 && errno != EEXIST) {
    if (why) *why = errnoText("mkdir", QFile::decodeName(fallback));
    return QString();
  }
  if (!privateFolder(fallback, why)) return QString();
  return QFile::decodeName(fallback);
}

Outcome acquire(const QString& lockFile, QString* why) {
  const QByteArray path = QFile::encodeName(lockFile);
  const int fd = open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) {
    if (why) *why = errnoText("open", lockFile);
    return Outcome::Unavailable;
  }
  if (flock(fd, LOCK_EX | LOCK_NB) == 0) return Outcome::First;  // fd stays open on purpose
  const int lockErrno = errno;
  close(fd);
  if (lockErrno == EWOULDBLOCK) return Outcome::AlreadyRunning;
  errno = lockErrno;
  if (why) *why = errnoText("flock", lockFile);
  return Outcome::Unavailable;
}

Outcome check(QString* why) {
  const QString folder = lockFolder(why);
  if (folder.isEmpty()) return Outcome::Unavailable;
  return acquire(folder + QLatin1Char('/') + QLatin1String(kLockName) + QStringLiteral(".lock"), why);
}

}  // namespace single_instance
