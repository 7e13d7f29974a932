// The relayed path's faults: seeded loss, delay with jitter, duplication
// and reordering (the kernel here has no netem). Thread-free: datagrams go
// in with the current time and come out when due.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <random>
#include <vector>

#include "datagram.h"

namespace rendezvous {

struct Impairment {
  double lossPercent = 0;
  double duplicatePercent = 0;
  double reorderPercent = 0;  // such a datagram is held back by reorderDelayMs
  uint32_t delayMs = 0;
  uint32_t jitterMs = 0;      // extra delay drawn from 0..jitterMs
  uint32_t reorderDelayMs = 30;
  uint32_t seed = 1;
};

struct PathCounters {
  uint64_t submitted = 0;
  uint64_t dropped = 0;      // lost, or beyond the queue bound
  uint64_t duplicated = 0;
  uint64_t reordered = 0;
  uint64_t delivered = 0;
};

class ImpairedPath {
 public:
  static constexpr size_t kMaxQueued = 4096;

  explicit ImpairedPath(const Impairment& impairment);

  void submit(Datagram d, Millis now);
  // Every queued datagram due at `now`, in order of due time (ties keep
  // submission order).
  std::vector<Datagram> takeDue(Millis now);
  std::optional<Millis> nextDue() const;
  const PathCounters& counters() const { return counters_; }

 private:
  struct Pending {
    Millis due;
    uint64_t order;
    Datagram datagram;
  };
  bool chance(double percent);
  Millis jitter();
  void enqueue(Datagram d, Millis due);

  Impairment config_;
  std::mt19937 rng_;
  std::deque<Pending> queue_;  // sorted by (due, order)
  uint64_t nextOrder_ = 0;
  PathCounters counters_;
};

}  // namespace rendezvous
