// Scales a tightly packed I420 picture to the size it is shown at, in one
// pass, into a caller's buffer (the display's picture buffer). Every pixel
// was decoded; only what the screen can show is kept, so the display
// uploads and draws a cell-sized picture instead of a full one.
//
// Used by one thread (the video decode thread); the scaler's context is
// kept while the sizes stay.
#pragma once

#include <cstddef>
#include <cstdint>

struct SwsContext;

class PictureScaler {
 public:
  PictureScaler() = default;
  PictureScaler(const PictureScaler&) = delete;
  PictureScaler& operator=(const PictureScaler&) = delete;
  ~PictureScaler();

  // Bytes of a w x h I420 picture (chroma rounded up).
  static size_t i420Size(int width, int height);
  // The size to scale a width x height picture to for a view of
  // shownWidth x shownHeight pixels: the view's size rounded down to even,
  // when it is smaller in both directions; else the picture's own (0 x 0
  // shown: not known yet).
  static void fitSize(int width, int height, int shownWidth, int shownHeight, int* outWidth,
                      int* outHeight);

  // Scales `in` (w x h) into `out` (ow x oh, i420Size(ow, oh) bytes). False
  // when the scaler cannot be had.
  bool scale(const uint8_t* in, int w, int h, uint8_t* out, int ow, int oh);

 private:
  SwsContext* sws_ = nullptr;
};
