// Milliseconds of the monotonic clock: the program's own clock for pacing,
// time-outs and the present log (never the wall clock, which can jump).
#pragma once

#include <chrono>
#include <cstdint>

inline int64_t steadyMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}
