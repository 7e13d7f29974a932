#pragma once
// A small GIF89a writer for the program's animations: one global palette,
// LZW-compressed frames, an endless loop. Qt reads GIF but cannot write it.

#include <QByteArray>
#include <QImage>
#include <QRgb>
#include <QVector>

namespace assets {

struct GifAnimation {
  QVector<QImage> frames;  // all of one size
  QVector<QRgb> palette;   // opaque colours, at most 255
  int delayCentiseconds = 8;
  // Pixels with alpha below 128 become the transparent colour, and every
  // frame is cleared before the next one is drawn.
  bool transparent = false;
};

// Maps every pixel to the nearest palette colour and encodes the frames.
// Returns an empty array when the animation cannot be written (no frames,
// frames of different sizes, an empty or too large palette).
QByteArray encodeGif(const GifAnimation& animation);

}  // namespace assets
