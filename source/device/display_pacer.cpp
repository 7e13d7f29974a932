#include "device/display_pacer.h"

#include <algorithm>
#include <limits>

void DisplayPacer::reset() { *this = DisplayPacer(); }

void DisplayPacer::observe(uint64_t stampMs, int64_t readyMs, int64_t nowMs) {
  const int64_t delay = readyMs - static_cast<int64_t>(stampMs);
  if (started_) {
    const int64_t back = static_cast<int64_t>(newestStamp_ - stampMs);
    if (back >= 0 && back <= kRestartMs) return;  // seen already
    const int64_t off = delay - offset_;
    if (off > kRestartMs || off < -kRestartMs) count_ = 0;  // the camera's clock started again
  }
  started_ = true;
  newestStamp_ = stampMs;
  kept_[next_] = Delay{readyMs, delay};
  next_ = (next_ + 1) % kKept;
  count_ = std::min(count_ + 1, kKept);
  offset_ = delay;
  for (int i = 0; i < count_; ++i) {
    const Delay& d = kept_[(next_ - 1 - i + kKept) % kKept];
    if (d.readyMs >= nowMs - kWindowMs) offset_ = std::min(offset_, d.delayMs);
  }
}

int64_t DisplayPacer::dueAt(uint64_t stampMs, int fps) const {
  if (!started_) return std::numeric_limits<int64_t>::min();
  const int rate = fps <= 0 ? 25 : (fps > 120 ? 120 : fps);
  const int64_t slack = 1000 / (2 * rate);
  return static_cast<int64_t>(stampMs) + offset_ + slack;
}
