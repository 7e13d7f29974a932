// When a decoded picture is due on the screen. A live view shows the newest
// picture it has, never an older one; but pictures come unevenly (the
// network delivers in bursts, a decode takes longer now and then), and a
// display that always jumped to the newest would skip a picture at every
// burst. So each picture is due a little after the earliest the camera's
// stream let one arrive:
//
//   due = stamp + offset + slack
//
// where `offset` is the smallest (ready - stamp) of the pictures that
// became ready in the last second (the least delayed picture's delay, in
// this machine's ms against the camera's), so that a camera clock a little
// slower than ours, or a path that became slower (after a stall), is
// followed within a second; `slack` is half a frame interval, so a picture
// that arrives early in a burst waits for its turn instead of being
// skipped. A picture that comes later than that is due at once.
//
// Only differences count, so any time-stamp base will do (ms since the
// camera started, since the Unix epoch); a camera that starts its clock
// again (stamps far from what the offset expects) starts the pacing again.
//
// Thread-free: the display tick owns it, with its own clock's ms.
#pragma once

#include <cstdint>

class DisplayPacer {
 public:
  // A new play: nothing seen yet.
  void reset();
  // A picture stamped `stampMs` by the camera became ready at `readyMs`
  // (local clock); `nowMs` is the display's clock now. A picture seen
  // before (a stamp not newer than the newest seen) changes nothing.
  void observe(uint64_t stampMs, int64_t readyMs, int64_t nowMs);
  // Local time at which the picture stamped `stampMs` is due; `fps` the
  // camera's announced rate (0 or less counts as 25). Before any picture
  // was seen every picture is due at once (INT64_MIN).
  int64_t dueAt(uint64_t stampMs, int fps) const;
  bool due(uint64_t stampMs, int fps, int64_t nowMs) const { return dueAt(stampMs, fps) <= nowMs; }

  // The delays of the pictures ready within this long count.
  static constexpr int64_t kWindowMs = 1000;
  // Stamps further than this from the expected offset start the pacing again.
  static constexpr int64_t kRestartMs = 10000;

 private:
  struct Delay {
    int64_t readyMs;
    int64_t delayMs;
  };
  static constexpr int kKept = 128;  // a second at the highest rate
  bool started_ = false;
  uint64_t newestStamp_ = 0;
  int64_t offset_ = 0;
  Delay kept_[kKept] = {};
  int next_ = 0, count_ = 0;
};
