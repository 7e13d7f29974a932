// Maps a stream's 32-bit millisecond timestamps onto a 64-bit timeline that
// starts at the file's first key frame, across the 32-bit wrap.
#pragma once

#include <cstdint>
#include <optional>

namespace kvmedia {

class StreamClock {
 public:
  // Milliseconds since `origin` for raw timestamp `ts`, strictly greater than
  // the previous result. The first call measures from `origin` by the signed
  // 32-bit difference; later calls advance by the signed difference to the
  // previous raw value, so a wrap costs nothing and a jump backwards (sender
  // restart) only bumps by 1 ms. Empty when the first timestamp lies before
  // `origin` (the caller drops that frame).
  std::optional<int64_t> next(uint32_t origin, uint32_t ts);

  bool started() const { return started_; }

 private:
  bool started_ = false;
  uint32_t lastRaw_ = 0;
  int64_t last_ = 0;
};

}  // namespace kvmedia
