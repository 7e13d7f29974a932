// The download folders of the settings dialog: a chosen folder D holds the
// snapshots in D/Photo and the records in D/Video. Without a chosen folder
// the files land in the user's private folder (snapshot/, record/), and
// that is where the dialog starts and what its "Go check" buttons open.
#pragma once

#include <QString>

// The signed-in user's folders (the main window's members of the same
// meaning): where snapshots, records and device pictures go.
struct SaveFolders {
  QString userFolder;  // userName_private_dir, ends in a separator
  QString root;        // rootSavePath
  QString picture;     // pictureSavePath: root + "/Photo"; empty: snapshots under the user folder
  QString video;       // videoSavePath: root + "/Video"; empty: records under the user folder
};

// The three folders for a chosen download folder, exactly as the chooser
// gave it (forward slashes).
SaveFolders saveFoldersUnder(const QString& root);

// The download folder shown and offered: the chosen one, else the user's
// private folder.
QString saveFoldersShown(const QString& rootSavePath, const QString& userPrivateDir);

enum class SavedKind { Photo, Video };

// The folder a "Go check" button opens: the chosen folder of that kind,
// else the user's own folder of it (userPrivateDir + "snapshot" or "record",
// where snapshots and records land while no folder is chosen). Empty when
// neither is known.
QString savedKindFolder(SavedKind kind, const QString& savePath, const QString& userPrivateDir);

// Creates `path` with its missing parents when it is not a folder yet, then
// asks the desktop to show it (QDesktopServices, a file URL: blanks and
// quotes in the path need no quoting). False, and nothing opened, for an
// empty path; otherwise what the desktop answered.
bool openSavedFolder(const QString& path);
