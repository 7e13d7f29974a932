#pragma once
// Every picture and animation the program loads from its image folder,
// with the size it is drawn at (the layouts' design size).

#include "canvas.h"
#include "gif_writer.h"

#include <QString>
#include <QVector>

namespace assets {

struct Picture {
  QString file;
  QSize size;
  Painting paint;
};

struct Animation {
  QString file;
  GifAnimation (*make)();
};

QVector<Picture> pictureCatalogue();
QVector<Animation> animationCatalogue();

// Writes every picture (PNG) and animation (GIF) into `folder`, creating it.
// Each file is replaced whole or not at all. Returns false with a message
// in `error` on the first failure.
bool writeAssets(const QString& folder, QString* error);

}  // namespace assets
