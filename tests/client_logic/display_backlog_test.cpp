#include "device/display_backlog.h"

#include <gtest/gtest.h>

namespace {

constexpr uint64_t kEpochMs = 1796950651343ULL;  // ms since the Unix epoch, beyond 32 bits
constexpr uint64_t kSteadyMs = 4242000ULL;       // ms since a camera started

}  // namespace

// The oldest waiting picture goes while a newer one waits that is more than
// eight frame intervals later, or more than nine wait; whatever the base of
// the time stamps.
TEST(DisplayBacklog, DropTable) {
  const struct {
    uint64_t oldest;
    int64_t newestMinusOldest;
    size_t waiting;
    int fps;
    bool drop;
    const char* why;
  } cases[] = {
      {kSteadyMs, 0, 1, 25, false, "one picture is always shown"},
      {kSteadyMs, 60000, 1, 25, false, "one picture is always shown, however old"},
      {kSteadyMs, 40, 2, 25, false, "the next picture waits its turn"},
      {kSteadyMs, 320, 9, 25, false, "320 ms behind is caught up, every picture shown"},
      {kSteadyMs, 321, 9, 25, true, "more than 320 ms behind"},
      {kSteadyMs, 360, 3, 25, true, "a gap in the stream: behind all the same"},
      {kEpochMs, 320, 9, 25, false, "epoch stamps: the same budget"},
      {kEpochMs, 360, 2, 25, true, "epoch stamps: behind"},
      {0xFFFFFF00ULL, 0x180, 3, 25, true, "stamps across 2^32 compare as 64 bits"},
      {0xFFFFFF00ULL, 0x140, 9, 25, false, "stamps across 2^32 within the budget"},
      {kSteadyMs, 0, 9, 25, false, "equal stamps: nine may wait"},
      {kSteadyMs, 0, 10, 25, true, "equal stamps: never more than nine"},
      {kSteadyMs, -5000, 3, 25, false, "the camera's clock started again: counted by pictures"},
      {kSteadyMs, -5000, 10, 25, true, "the camera's clock started again: never more than nine"},
      {kSteadyMs, 10001, 2, 25, false, "stamps too far apart to compare: counted by pictures"},
      {kSteadyMs, 360, 3, 0, true, "no rate announced counts as 25"},
      {kSteadyMs, 800, 3, 10, false, "10 fps: 800 ms of budget"},
      {kSteadyMs, 801, 3, 10, true, "10 fps: behind"},
      {kSteadyMs, 66, 3, 200, false, "rates above 120 count as 120"},
      {kSteadyMs, 67, 3, 200, true, "rates above 120 count as 120: behind"},
  };
  for (const auto& c : cases) {
    const uint64_t newest = c.oldest + static_cast<uint64_t>(c.newestMinusOldest);
    EXPECT_EQ(dropOldestPicture(c.oldest, newest, c.waiting, c.fps), c.drop) << c.why;
  }
}

// After a tick the display sleeps until the next waiting picture is due (at
// least 1 ms, at most a stream period), and with none waiting until a
// picture is handed over (a second at most).
TEST(DisplayBacklog, SleepTable) {
  const struct {
    size_t waiting;
    int64_t nextDue, now;
    int period, sleep;
  } table[] = {
      {0, 0, 500, 35, kIdleLookMs},  // nothing to show: sleeps
      {1, 520, 500, 35, 20},         // due in 20 ms
      {3, 520, 500, 35, 20},         // a backlog: still the first one's time
      {1, 500, 500, 35, 1},          // due now
      {2, 400, 500, 35, 1},          // overdue
      {1, 900, 500, 35, 35},         // far ahead: looks again after a period
      {1, 900, 500, 0, 1},           // no period known
  };
  for (const auto& r : table)
    EXPECT_EQ(displaySleepMs(r.waiting, r.nextDue, r.now, r.period), r.sleep) << r.waiting << " " << r.nextDue;
}
