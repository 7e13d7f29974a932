// A JPEG picture of the decode thread (a snapshot or the tile's thumbnail)
// stored as a file: loaded and written again as a JPEG of quality 75. The
// picture is encoded in memory first and then written to a temporary file
// beside the path, which takes the path's name only when it was written
// whole: a full disk leaves nothing behind, and the log says what the file
// system said (never the image writer's word for a write it could not
// make, which has no text). QImage, not QPixmap: any thread.
#pragma once

#include <QString>

namespace jpeg_file {

// True when the picture is at `path`; false, with a log line saying why,
// when it is no picture or cannot be written.
bool save(const unsigned char* jpeg, unsigned long length, const QString& path);

}  // namespace jpeg_file
