// Where the program keeps its files. By default the program's own folder
// (QCoreApplication::applicationDirPath); CAMVIEWER_DATA_DIR overrides it so
// tests and the demo can run against a scratch folder.
#pragma once

#include <QString>

namespace app_paths {

// Folder of debug.txt, user_private_dir, private_uuid.txt and the other
// files kept beside the program. No trailing slash.
QString dataDir();

}  // namespace app_paths
