// Where a camera's files go. Pure path builders (nothing is created) plus
// one step that makes a file's folder. `userDir` is the user's private
// folder (userName_private_dir), `savePath` a folder chosen in the settings
// (pictureSavePath or videoSavePath), `name` the camera's display name and
// `deviceId` its id; `localTime` is the local date and time of the call.
//
// The camera name comes from the cloud, so it is made a plain file name
// (safe_file_name, falling back to the device id): a name like "../x"
// cannot leave its folder. Folders are joined with single "/".
//
//   snapshot, default    userDir/snapshot/N-snapshot/N-yyyy-MM-dd-hh-mm-ss.jpg
//   snapshot, specified  savePath/N-snapshot/N-yyyy-MM-dd-hh-mm-ss.jpg
//   record, default      userDir/record/N-record/N-yyyy-MM-dd-hh-mm-ss.mp4
//   record, specified    savePath/N-record/N-yyyy-MM-dd-hh-mm-ss.mp4
//   thumbnail            userDir/device_picture/N.jpeg
//   a record name taken  .../N-yyyy-MM-dd-hh-mm-ss-2.mp4 (numberedPath)
#pragma once

#include <QDateTime>
#include <QString>

namespace media_paths {

// The camera name as used in file names.
QString cameraFileName(const QString& name, const QString& deviceId);
// "yyyy-MM-dd-hh-mm-ss" (24-hour clock).
QString fileTimeText(const QDateTime& localTime);

// Snapshots are ".jpg" under "snapshot", records ".mp4" under "record".
enum class MediaKind { Snapshot, Record };

// The file in the user's own folder: userDir/<kind>/N-<kind>/N-<time>.<ext>.
QString defaultPath(MediaKind kind, const QString& userDir, const QString& name,
                    const QString& deviceId, const QDateTime& localTime);
// The file under the folder chosen in the settings: savePath/N-<kind>/N-<time>.<ext>.
QString specifiedPath(MediaKind kind, const QString& savePath, const QString& name,
                      const QString& deviceId, const QDateTime& localTime);
// specifiedPath when `savePath` is not empty, else defaultPath.
QString mediaPath(MediaKind kind, const QString& userDir, const QString& savePath,
                  const QString& name, const QString& deviceId, const QDateTime& localTime);
// A record file is never written over: when the name is taken (a second
// recording started within the same second, or anything else under that
// name), the next names are tried, "-2", "-3" ... before the extension:
// N-<time>-2.mp4, up to kMaxTakenNameNumber.
inline constexpr int kMaxTakenNameNumber = 99;
QString numberedPath(const QString& path, int number);
// The tile's thumbnail: userDir/device_picture/N.jpeg.
QString thumbnailPath(const QString& userDir, const QString& name, const QString& deviceId);

// Creates the folder of `filePath` (everything up to the last "/") with all
// missing parents. True when it exists afterwards; the caller logs and
// does not write the file on false.
bool makeFolderFor(const QString& filePath);

}  // namespace media_paths
