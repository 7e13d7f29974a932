#include "stream_clock.h"

namespace kvmedia {

std::optional<int64_t> StreamClock::next(uint32_t origin, uint32_t ts) {
  if (!started_) {
    const int64_t first = static_cast<int32_t>(ts - origin);
    if (first < 0) return std::nullopt;
    started_ = true;
    lastRaw_ = ts;
    last_ = first;
    return last_;
  }
  int64_t t = last_ + static_cast<int32_t>(ts - lastRaw_);
  if (t <= last_) t = last_ + 1;
  lastRaw_ = ts;
  last_ = t;
  return last_;
}

}  // namespace kvmedia
