// Power of one frequency in a run of 16-bit samples (the Goertzel filter),
// normalised by the number of samples taken: a way to ask "is the camera's
// tone in this sound?" without an FFT.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace testsupport {

// Samples s[from], s[from + step], ... (step = channel count to read one
// channel of interleaved sound) at `rate` Hz.
inline double tonePower(const std::vector<int16_t>& s, size_t from, size_t step, double freq,
                        double rate) {
  const double k = 2 * std::cos(2 * M_PI * freq / rate);
  double a = 0, b = 0;
  size_t n = 0;
  for (size_t i = from; i < s.size(); i += step, ++n) {
    const double c = s[i] + k * a - b;
    b = a;
    a = c;
  }
  if (n == 0) return 0;
  return (a * a + b * b - k * a * b) / static_cast<double>(n * n);
}

}  // namespace testsupport
