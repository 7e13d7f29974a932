// Small files kept in the data folder: the per-user private folders, the
// remembered user name and the install id, plus the cached device-picture
// lookup. These are the main window's operations of the same names; the
// main window keeps the returned private folder as userName_private_dir.
#pragma once

#include <QString>

namespace user_files {

// The data folder + "/user_private_dir/".
QString usersFolder();

// The users' folder + the user name as a folder name of its own
// (user_folder_name) + "_private_dir/".
QString userPrivateDir(const QString& userName);

// At the program's start: makes the data folder when it is missing, and
// makes private where they are not (folders and files of an older version,
// or opened up by hand) the users' folder and every folder below it, the
// remembered user and the install id, and the user's own data folder
// (app_paths::usersDataDir) itself.
void prepareDataFolder();

}  // namespace user_files

// Creates the users' folder and the user's private folder when missing and
// returns the private folder's path (ending with "/"), also when creating
// failed (that is logged with " err").
QString userPrivate_dir_init(const QString& userName);

// The remembered user name (userNameLastLogin.txt, first line, trimmed);
// `out` is left unchanged when the file does not exist.
void userName_loginReadToLocalFile(QString& out);

// Replaces the remembered user name (UTF-8, no line end).
void userName_loginWriteToLocalFile(const QString& userName);

// Forgets the remembered user name.
void userName_loginRemoveLocalFile();

// The install id (private_uuid.txt): a "{xxxxxxxx-xxxx-...}" UUID text made
// once per installation. A missing file or one whose trimmed text is empty
// gets a new id; when the file cannot be written the id is kept in memory,
// so every request of this run still carries the same id.
void uuidReadToLocalFile(QString& out);

// The cached picture of a camera in userPrivateDir + "device_picture":
// the exact file text + ".jpeg" when it exists, else the first regular file
// (by name, ignoring case) whose name contains `text`; empty for no match
// or no folder. `text` is made safe the way the picture's writer makes it
// (safe_file_name with `fallbackName`, the camera's device id), so "", "."
// and ".." look for the fallback name, and find nothing without one.
QString device_picture_find(const QString& userPrivateDir, const QString& text,
                            const QString& fallbackName = QString());
