#include "device/display_pacer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

namespace {

constexpr uint64_t kEpochMs = 1796950651343ULL;  // ms since the Unix epoch, beyond 32 bits
constexpr int64_t kLocal = 7000000;              // the display's clock

struct Seen {
  int64_t stampMinusFirst;  // the picture's stamp after the first one's
  int64_t ready;            // local ms, after kLocal
};

}  // namespace

// A picture is due half a frame interval after the least delayed picture's
// delay would have brought it; later ones are due at once, earlier ones wait.
TEST(DisplayPacer, DueTable) {
  const struct {
    std::vector<Seen> seen;  // observed in this order (now = ready)
    int64_t askStamp;        // after the first stamp
    int fps;
    int64_t due;             // expected, after kLocal
    const char* why;
  } cases[] = {
      {{{0, 0}}, 0, 25, 20, "one picture: due half a frame interval after it came"},
      {{{0, 0}}, 40, 25, 60, "the next one a frame interval later"},
      {{{0, 0}, {40, 100}}, 40, 25, 60, "a late picture is due at once (its due time has passed)"},
      {{{0, 0}, {40, 0}}, 0, 25, -20, "one that came early sets the pace: the earlier is due at once"},
      {{{0, 0}, {40, 0}}, 40, 25, 20, "one that came early waits half an interval"},
      {{{0, 0}}, 0, 10, 50, "10 fps: 50 ms of slack"},
      {{{0, 0}}, 0, 0, 20, "no rate announced counts as 25"},
      {{{0, 0}}, 0, 500, 4, "rates above 120 count as 120"},
      {{{0, 0}, {-600000, 100}}, -600000, 25, 120,
       "the camera started its clock again: paced from its new stamps"},
      {{{0, 0}, {40, 4000}}, 80, 25, 4060, "a stall of seconds: paced from the pictures after it"},
      {{{0, 0}, {40, 900}}, 80, 25, 100, "within the second the least delayed one still sets the pace"},
  };
  for (const auto& c : cases) {
    DisplayPacer p;
    for (const Seen& s : c.seen)
      p.observe(kEpochMs + uint64_t(s.stampMinusFirst), kLocal + s.ready, kLocal + s.ready);
    EXPECT_EQ(p.dueAt(kEpochMs + uint64_t(c.askStamp), c.fps), kLocal + c.due) << c.why;
  }
}

TEST(DisplayPacer, NothingSeenMeansDueAtOnceAndAResetForgets) {
  DisplayPacer p;
  EXPECT_EQ(p.dueAt(kEpochMs, 25), std::numeric_limits<int64_t>::min());
  EXPECT_TRUE(p.due(kEpochMs, 25, 0));
  p.observe(kEpochMs, kLocal, kLocal);
  EXPECT_FALSE(p.due(kEpochMs, 25, kLocal));
  EXPECT_TRUE(p.due(kEpochMs, 25, kLocal + 20));
  p.reset();
  EXPECT_TRUE(p.due(kEpochMs, 25, 0));
}

// A camera whose clock runs slower than ours brings each picture a little
// later than the last one's delay says: the pace follows (the delays of
// the last second count) instead of leaving the pictures waiting longer and
// longer.
TEST(DisplayPacer, APaceThatRunsBehindFollowsTheCamera) {
  DisplayPacer p;
  int64_t worstWait = 0;
  for (int i = 0; i < 25 * 60; ++i) {  // a minute, the camera's clock 1 % slow
    const uint64_t stamp = kEpochMs + uint64_t(i) * 40;
    const int64_t ready = kLocal + int64_t(i) * 40 * 101 / 100;
    p.observe(stamp, ready, ready);
    worstWait = std::max(worstWait, p.dueAt(stamp, 25) - ready);
  }
  EXPECT_LE(worstWait, 20) << "a picture waited beyond its slack";
  // Seeing a picture again changes nothing.
  DisplayPacer q;
  q.observe(kEpochMs, kLocal, kLocal);
  const int64_t due = q.dueAt(kEpochMs + 40, 25);
  q.observe(kEpochMs, kLocal, kLocal);
  EXPECT_EQ(q.dueAt(kEpochMs + 40, 25), due);
}
