// Whether a running play's picture is live, on a clock the caller passes
// (milliseconds, monotonic): a play that has shown no new picture for
// kStallMs (since it started, or since its last picture) is not live, the
// next picture makes it live again. Each change is told once.
//
//   start(now, shown)   a play began (or asked for its streams again)
//   check(now, shown)   `shown`: pictures shown so far (any counter that
//                       grows by one per picture); NotLive / LiveAgain on
//                       a change, None otherwise
//   stop()              the play ended: nothing more is told
#pragma once

#include <cstdint>

class LiveWatch {
 public:
  static constexpr int64_t kStallMs = 5000;
  enum class Event { None, NotLive, LiveAgain };

  void start(int64_t nowMs, uint64_t shown);
  void stop() { running_ = false; }
  Event check(int64_t nowMs, uint64_t shown);

  bool running() const { return running_; }
  bool live() const { return live_; }

 private:
  bool running_ = false;
  bool live_ = true;
  int64_t lastChangeMs_ = 0;
  uint64_t lastShown_ = 0;
};
