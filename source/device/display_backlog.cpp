#include "device/display_backlog.h"

#include <algorithm>

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

int displaySleepMs(size_t waiting, int64_t nextDueMs, int64_t nowMs, int periodMs) {
  if (waiting == 0) return kIdleLookMs;
  const int64_t most = periodMs < 1 ? 1 : periodMs;
  return int(std::clamp<int64_t>(nextDueMs - nowMs, 1, most));
}
