// The tile thumbnail the cloud serves at a camera's snapshotUrl: which URLs
// are fetched at all, and how the answer is stored. Nothing here touches a
// widget; the camera object reloads its tile afterwards.
#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

namespace thumbnail_file {

// Bodies larger than this are not taken as a thumbnail.
inline constexpr int kMaxThumbnailBytes = 16 * 1024 * 1024;

// Only http and https URLs with a host are fetched (never file:, ftp:,
// data: or a relative text).
bool isFetchableUrl(const QUrl& url);

// Stores `bytes` at `path` when they decode as a picture: written to a
// temporary file beside it and renamed over the old file, so a reader
// never sees half a picture and a refused body leaves the old file as it
// was. The folder is created when missing. False with `why` otherwise;
// `notStored` (when given) tells a picture the file system did not take
// from a body that is no picture.
bool save(const QString& path, const QByteArray& bytes, QString* why, bool* notStored = nullptr);

}  // namespace thumbnail_file
