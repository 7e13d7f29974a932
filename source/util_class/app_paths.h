// Where the program keeps its files. By default the program's own folder
// (QCoreApplication::applicationDirPath); CAMVIEWER_DATA_DIR overrides the
// folder of the files the program writes and CAMVIEWER_PROGRAM_DIR the
// folder of what ships with it, so tests and the demo can run against
// scratch folders.
#pragma once

#include <QString>

namespace app_paths {

// Folder of debug.txt, user_private_dir, private_uuid.txt and the other
// files kept beside the program. No trailing slash.
QString dataDir();

// Folder of what ships with the program: the pictures (Orvanta_image/) and
// countrycode.json. No trailing slash.
QString programDir();

}  // namespace app_paths
