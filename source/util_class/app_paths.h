// Where the program keeps its files.
//
// What ships with it (the pictures in Orvanta_image/ and countrycode.json):
// CAMVIEWER_PROGRAM_DIR when set; else the program's own folder when they
// lie there (the build tree); else share/camviewer of the installation,
// ../share/camviewer from the program's folder (bin/camviewer).
//
// What it writes (debug.txt, private_uuid.txt, userNameLastLogin.txt,
// user_private_dir/; cloud.conf is read from there too): CAMVIEWER_DATA_DIR
// when set; else the program's own folder when it is writable and already
// holds such files (a folder used so far keeps working); else the user's
// own $XDG_DATA_HOME/camviewer (~/.local/share/camviewer by default), so
// that an installed program writes nothing beside itself and every user of
// one installation has a data folder of their own.
#pragma once

#include <QString>

namespace app_paths {

// Folder of debug.txt, user_private_dir, private_uuid.txt and the other
// files the program writes. No trailing slash. Nothing is created here
// (user_files::prepareDataFolder makes it at the start).
QString dataDir();

// Folder of what ships with the program. No trailing slash.
QString programDir();

// The folder of the pictures that ship with the program, below programDir().
inline constexpr char kImageFolder[] = "/Orvanta_image/";
// A picture that ships with the program: programDir() + kImageFolder + name.
QString picture(const QString& name);

// The same choices for a program that lies in `programFolder`, from the
// environment of the process.
QString dataDirFor(const QString& programFolder);
QString programDirFor(const QString& programFolder);

// The user's own data folder: $XDG_DATA_HOME/camviewer when that variable
// names an absolute folder, else $HOME/.local/share/camviewer. It holds
// nothing but the program's files, so it is private as a whole.
QString usersDataDir();

}  // namespace app_paths
