// What the program keeps for its user is the user's alone: the folders it
// makes are 0700 and the files it writes 0600, whatever the process umask
// (config.json holds a remembered password in plain text, the log holds
// tokens in its context, snapshots and records show private places).
// Folders and files of the data folder that are open to others (made by an
// older version, or opened up by hand) are made private again the next
// time the program writes them, with one log line each. Folders outside the
// data folder that the user chose keep their mode; only the folders the
// program makes there are private.
#pragma once

#include <QIODevice>
#include <QString>

class QSaveFile;

namespace private_files {

// Permission bits of what the program makes.
constexpr unsigned kFolderMode = 0700;
constexpr unsigned kFileMode = 0600;

// Creates `path` and its missing parents as private folders. Existing
// folders below the data folder are tightened; other existing folders keep
// their mode. True when `path` is a folder afterwards.
bool makeFolder(const QString& path);

// Takes the group and other bits off an existing file or folder (never
// through a symbolic link) and logs that. True when nothing of it is open
// to others afterwards; a missing path is true too.
bool tighten(const QString& path);

// Opens `file` like QSaveFile::open with what it writes private from the
// moment it exists (a QSaveFile gives its temporary file the umask's mode,
// or an old file's mode; here it is created under the umask 077 and then
// made 0600); an old file that was open to others is logged as tightened.
// False when it cannot be opened.
bool open(QSaveFile& file, QIODevice::OpenMode mode = QIODevice::WriteOnly);

// Makes `path` a private file before a writer that opens it by name writes
// into it (QImage::save, SQLite, whose journal takes the database's mode):
// a missing file is created empty, an existing one is tightened. False when
// it can be neither.
bool prepareFile(const QString& path);

// A descriptor appending to `path`, created private when missing. An
// existing file that was open to others is tightened and its old mode put
// in `widenedMode` (else 0); nothing is logged, so the log itself can use
// it. -1 when it cannot be opened.
int openForAppend(const QString& path, unsigned* widenedMode);

// The log line of a tightened path: made private: "<path>" (was 644).
QString tightenedText(const QString& path, unsigned oldMode);

}  // namespace private_files
