// The pictures of the camera and group lists (tile pictures, mosaic cells),
// read from their files and scaled once per file version and size, then
// shared by every tile and cell that shows them (QImage and QPixmap share
// their pixels): a list of 300 groups over 200 cameras decodes a few
// hundred files, not 1400, and holds each picture once. A file that changes
// (a new thumbnail) is read again. GUI thread only.
#pragma once

#include <QImage>
#include <QPixmap>
#include <QSize>
#include <QString>

struct ListPicture {
  QImage image;    // scaled to the size asked for, ignoring the aspect ratio
  QPixmap pixmap;  // the same, ready for a label
};

// `file` scaled to `size` (fast transformation); both null when the file
// cannot be read as a picture.
ListPicture listPicture(const QString& file, const QSize& size);
