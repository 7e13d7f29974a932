#include "device/display_backlog.h"

namespace {

constexpr int64_t kComparableMs = 10000;  // beyond the decoded queue's second

}  // namespace

bool dropOldestPicture(uint64_t oldestMs, uint64_t newestMs, size_t waiting, int fps) {
  if (waiting < 2) return false;  // the only picture is always shown
  // Never more waiting than the budget holds at the announced rate.
  if (waiting > size_t(kBacklogFrames) + 1) return true;
  const int64_t span = static_cast<int64_t>(newestMs - oldestMs);
  if (span < 0 || span > kComparableMs) return false;
  const int rate = fps <= 0 ? 25 : (fps > 120 ? 120 : fps);
  return span * rate > int64_t(kBacklogFrames) * 1000;
}

int displayPeriodMs(size_t waiting, int periodMs) {
  return waiting >= 2 && periodMs > kCatchUpMs ? kCatchUpMs : periodMs;
}
