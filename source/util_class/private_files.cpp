#include "util_class/private_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "util_class/app_paths.h"

namespace private_files {

namespace {

constexpr unsigned kOpenToOthers = 077;

QString absoluteClean(const QString& path) {
  return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

// Strictly below the data folder.
bool belowDataFolder(const QString& cleanPath) {
  const QString data = absoluteClean(app_paths::dataDir());
  return cleanPath.startsWith(data + QLatin1Char('/'));
}

void logTightened(const QString& path, unsigned oldMode) {
  qDebug().noquote() << tightenedText(path, oldMode);
}

// The permission bits of an existing regular file or folder (not a
// symbolic link) that are open to others; 0 when none are or it is missing.
unsigned openMode(const QByteArray& path) {
  struct stat st {};
  if (lstat(path.constData(), &st) != 0) return 0;
  if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) return 0;
  return (st.st_mode & kOpenToOthers) ? unsigned(st.st_mode & 07777) : 0;
}

// Opens `path` with `access`: created private when missing (exactly 0600,
// whatever the umask), tightened when it is an existing regular file open
// to others (its old mode in `widened`).
int openPrivate(const QString& path, int access, unsigned* widened) {
  *widened = 0;
  const QByteArray name = QFile::encodeName(path);
  // Twice at most: the file may come or go between the two opens.
  for (int attempt = 0; attempt < 2; ++attempt) {
    int fd = ::open(name.constData(), access | O_CLOEXEC);
    if (fd >= 0) {
      struct stat st {};
      if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & kOpenToOthers) &&
          fchmod(fd, st.st_mode & 0700) == 0) {
        *widened = unsigned(st.st_mode & 07777);
      }
      return fd;
    }
    if (errno != ENOENT) return -1;
    fd = ::open(name.constData(), access | O_CREAT | O_EXCL | O_CLOEXEC, kFileMode);
    if (fd >= 0) {
      fchmod(fd, kFileMode);  // exactly, whatever the umask
      return fd;
    }
    if (errno != EEXIST) return -1;
  }
  return -1;
}

// The umask 077 while a writer that takes the umask's mode (QSaveFile's
// temporary file) creates its file: no bit for others from its first
// moment. The umask is the process's: one guard at a time, so each puts
// back the mask it found.
class PrivateUmask {
 public:
  PrivateUmask() : lock_(mutex()), old_(::umask(kOpenToOthers)) {}
  ~PrivateUmask() { ::umask(old_); }
  PrivateUmask(const PrivateUmask&) = delete;
  PrivateUmask& operator=(const PrivateUmask&) = delete;

 private:
  static std::mutex& mutex() {
    static std::mutex m;
    return m;
  }
  std::lock_guard<std::mutex> lock_;
  mode_t old_;
};

}  // namespace

QString tightenedText(const QString& path, unsigned oldMode) {
  return QStringLiteral("made private: \"%1\" (was %2)").arg(path, QString::number(oldMode, 8));
}

bool tighten(const QString& path) {
  const QByteArray name = QFile::encodeName(path);
  const unsigned old = openMode(name);
  if (old == 0) return true;
  if (chmod(name.constData(), old & ~kOpenToOthers) != 0) {
    qDebug() << "cannot make private:" << path;
    return false;
  }
  logTightened(path, old);
  return true;
}

bool makeFolder(const QString& path) {
  if (path.isEmpty()) return false;
  const QString clean = absoluteClean(path);
  const QStringList parts = clean.split(QLatin1Char('/'), Qt::SkipEmptyParts);
  QString prefix;
  for (const QString& part : parts) {
    prefix += QLatin1Char('/') + part;
    const QByteArray name = QFile::encodeName(prefix);
    struct stat st {};
    if (stat(name.constData(), &st) == 0) {
      if (!S_ISDIR(st.st_mode)) return false;
      if (belowDataFolder(prefix)) tighten(prefix);
      continue;
    }
    if (errno != ENOENT) return false;
    if (::mkdir(name.constData(), kFolderMode) == 0) {
      chmod(name.constData(), kFolderMode);  // exactly, whatever the umask
    } else if (errno != EEXIST) {
      return false;
    }
  }
  return QFileInfo(clean).isDir();
}

bool open(QSaveFile& file, QIODevice::OpenMode mode) {
  const unsigned old = openMode(QFile::encodeName(file.fileName()));
  {
    const PrivateUmask privateFromTheStart;
    if (!file.open(mode)) return false;
  }
  // On the temporary file that replaces the old one at commit (which took
  // the old file's mode, when there was one).
  if (!file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
    file.cancelWriting();
    return false;
  }
  if (old) logTightened(file.fileName(), old);
  return true;
}

bool prepareFile(const QString& path) {
  unsigned widened = 0;
  const int fd = openPrivate(path, O_RDONLY, &widened);
  if (fd < 0) return false;
  ::close(fd);
  if (widened) logTightened(path, widened);
  return true;
}

int openForAppend(const QString& path, unsigned* widenedMode) {
  return openPrivate(path, O_WRONLY | O_APPEND, widenedMode);
}

}  // namespace private_files
