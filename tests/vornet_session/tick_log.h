// The library's ticks as its waiting calls live them.  While a TickLog
// exists, every sleep the library takes on a watched thread is recorded
// with its length and the moment it began.  KV_Listen and KV_Connect sleep
// once per tick of their wait, so tests count those ticks, and time them,
// on the library's own schedule instead of on a wall clock that a loaded
// machine stretches.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

namespace world_test {

using SteadyTime = std::chrono::steady_clock::time_point;

struct LibrarySleep {
  unsigned ms;
  SteadyTime began;
};

class TickLog {
 public:
  // Records the sleeps of the calling thread under `name` while it lives.
  class Watch {
   public:
    explicit Watch(const std::string& name);
    ~Watch();
    Watch(const Watch&) = delete;
    Watch& operator=(const Watch&) = delete;
  };

  TickLog();  // one at a time; starts empty
  ~TickLog();
  TickLog(const TickLog&) = delete;
  TickLog& operator=(const TickLog&) = delete;

  std::vector<LibrarySleep> of(const std::string& name) const;
  // Sleeps of `ms` under `name` that began after `since`.
  size_t countAfter(const std::string& name, unsigned ms, SteadyTime since) const;
  // Waits until `name` has slept `count` times of `ms` (bounded by timeoutMs).
  bool await(const std::string& name, unsigned ms, size_t count, int timeoutMs) const;
};

// Milliseconds from `a` to `b`.
long long ms_between(SteadyTime a, SteadyTime b);

}  // namespace world_test
