// One running copy per user: the first copy holds an exclusive flock on a
// lock file named after "Single Instance Demo" for as long as it runs (the
// kernel frees it when the process ends, however it ends); a later copy
// finds it held and stops.
#pragma once

#include <QString>

namespace single_instance {

enum class Outcome {
  First,          // the lock is ours now and stays held until the process ends
  AlreadyRunning, // another process holds it
  Unavailable,    // no lock file could be made; the caller runs unguarded
};

inline constexpr const char* kLockName = "Single Instance Demo";

// Folder of the lock file: $XDG_RUNTIME_DIR when it names an existing
// folder, else <tmpRoot>/camviewer-<uid>, made 0700 and accepted only when
// it is a real folder owned by this user and closed to others. Empty when
// neither can be used (`why` says why).
QString lockFolder(QString* why = nullptr, const QString& tmpRoot = QStringLiteral("/tmp"));

// Takes the lock on `lockFile` (created 0600 when missing). On First the
// descriptor stays open for the life of the process.
Outcome acquire(const QString& lockFile, QString* why = nullptr);

// lockFolder() + "/Single Instance Demo.lock", then acquire().
Outcome check(QString* why = nullptr);

}  // namespace single_instance
