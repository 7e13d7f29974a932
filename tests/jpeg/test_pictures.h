// Deterministic I420 pictures for the JPEG tests and benchmark.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct I420Picture {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> bytes;  // Y plane, then U, then V; no row padding

  const uint8_t* y() const { return bytes.data(); }
  const uint8_t* u() const { return bytes.data() + lumaSize(); }
  const uint8_t* v() const { return bytes.data() + lumaSize() * 5 / 4; }
  std::size_t lumaSize() const { return static_cast<std::size_t>(width) * height; }
  std::size_t frameSize() const { return lumaSize() * 3 / 2; }
};

// Every sample (luma and chroma) equal to value.
I420Picture uniformPicture(int width, int height, uint8_t value);
// Slow gradients and soft rings: few coefficients per block.
I420Picture smoothPicture(int width, int height);
// Independent pseudo-random samples of 0 or 255: about as many coded bits
// as a picture can take.
I420Picture noisyPicture(int width, int height, uint32_t seed);
// A camera-like scene: gradient sky, hard-edged shapes, fine stripes and a
// noisy patch.
I420Picture scenePicture(int width, int height);
