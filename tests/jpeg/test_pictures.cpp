#include "test_pictures.h"

#include <cmath>

namespace {

I420Picture blankPicture(int width, int height) {
  I420Picture picture;
  picture.width = width;
  picture.height = height;
  picture.bytes.assign(picture.frameSize(), 0);
  return picture;
}

uint8_t clampSample(double value) {
  if (value < 0) return 0;
  if (value > 255) return 255;
  return static_cast<uint8_t>(value);
}

// Fills every sample of the three planes from f(plane, x, y) with plane 0..2.
template <typename F>
void fillPlanes(I420Picture& picture, F f) {
  const int cw = picture.width / 2;
  const int ch = picture.height / 2;
  uint8_t* y = picture.bytes.data();
  uint8_t* u = y + picture.lumaSize();
  uint8_t* v = u + picture.lumaSize() / 4;
  for (int r = 0; r < picture.height; ++r)
    for (int c = 0; c < picture.width; ++c) y[r * picture.width + c] = f(0, c, r);
  for (int r = 0; r < ch; ++r) {
    for (int c = 0; c < cw; ++c) {
      u[r * cw + c] = f(1, c, r);
      v[r * cw + c] = f(2, c, r);
    }
  }
}

struct Lcg {
  uint32_t state;
  uint8_t next() {
    state = state * 1664525u + 1013904223u;
    return static_cast<uint8_t>(state >> 24);
  }
};

}  // namespace

I420Picture uniformPicture(int width, int height, uint8_t value) {
  I420Picture picture = blankPicture(width, height);
  picture.bytes.assign(picture.frameSize(), value);
  return picture;
}

I420Picture smoothPicture(int width, int height) {
  I420Picture picture = blankPicture(width, height);
  fillPlanes(picture, [&](int plane, int x, int y) {
    const double scale = plane == 0 ? 1.0 : 2.0;
    const double dx = x * scale - width / 2.0;
    const double dy = y * scale - height / 2.0;
    const double ring = std::sin(std::sqrt(dx * dx + dy * dy) / 23.0);
    if (plane == 0) return clampSample(40 + 150.0 * x / width + 30 * ring);
    if (plane == 1) return clampSample(128 + 60.0 * y / height - 20 * ring);
    return clampSample(100 + 50.0 * x / width + 10 * ring);
  });
  return picture;
}

I420Picture noisyPicture(int width, int height, uint32_t seed) {
  I420Picture picture = blankPicture(width, height);
  Lcg random{seed};
  for (uint8_t& sample : picture.bytes) sample = (random.next() & 0x80) ? 255 : 0;
  return picture;
}

I420Picture scenePicture(int width, int height) {
  I420Picture picture = blankPicture(width, height);
  Lcg random{12345u};
  fillPlanes(picture, [&](int plane, int x, int y) -> uint8_t {
    const int s = plane == 0 ? 1 : 2;  // chroma coordinates are half size
    const int fx = x * s;
    const int fy = y * s;
    if (fx > width / 2 && fx < width * 3 / 4 && fy > height / 2 && fy < height * 3 / 4)
      return random.next();  // noisy patch (foliage)
    if (fx > width / 8 && fx < width / 3 && fy > height / 3 && fy < height * 2 / 3)
      return plane == 0 ? 220 : (plane == 1 ? 90 : 170);  // a hard-edged box
    if (fy > height * 5 / 6) return plane == 0 ? (((fx / 3) % 2) ? 200 : 30) : 128;  // stripes
    if (plane == 0) return clampSample(180 - 100.0 * fy / height);
    return plane == 1 ? 150 : clampSample(110 + 20.0 * fx / width);
  });
  return picture;
}
