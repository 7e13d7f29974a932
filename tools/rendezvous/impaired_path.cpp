#include "impaired_path.h"

#include <algorithm>
#include <utility>

namespace rendezvous {

ImpairedPath::ImpairedPath(const Impairment& impairment) : config_(impairment), rng_(impairment.seed) {}

bool ImpairedPath::chance(double percent) {
  // One draw per decision, whatever the percentage, so the stream of
  // decisions for a given seed does not depend on the other settings.
  const uint32_t draw = static_cast<uint32_t>(rng_() % 1000000u);
  return draw < static_cast<uint32_t>(percent * 10000.0);
}

Millis ImpairedPath::jitter() {
  const uint32_t draw = static_cast<uint32_t>(rng_());
  return config_.jitterMs == 0 ? 0 : draw % (config_.jitterMs + 1);
}

void ImpairedPath::enqueue(Datagram d, Millis due) {
  if (queue_.size() >= kMaxQueued) {
    ++counters_.dropped;
    return;
  }
  Pending p{due, nextOrder_++, std::move(d)};
  auto at = std::upper_bound(queue_.begin(), queue_.end(), p, [](const Pending& a, const Pending& b) {
    return a.due != b.due ? a.due < b.due : a.order < b.order;
  });
  queue_.insert(at, std::move(p));
}

void ImpairedPath::submit(Datagram d, Millis now) {
  ++counters_.submitted;
  const bool lost = chance(config_.lossPercent);
  const bool duplicate = chance(config_.duplicatePercent);
  const bool reorder = chance(config_.reorderPercent);
  const Millis j1 = jitter();
  const Millis j2 = jitter();
  if (lost) {
    ++counters_.dropped;
    return;
  }
  Millis due = now + config_.delayMs + j1;
  if (reorder) {
    ++counters_.reordered;
    due += config_.reorderDelayMs;
  }
  if (duplicate) {
    ++counters_.duplicated;
    enqueue(d, now + config_.delayMs + j2);
  }
  enqueue(std::move(d), due);
}

std::vector<Datagram> ImpairedPath::takeDue(Millis now) {
  std::vector<Datagram> out;
  while (!queue_.empty() && queue_.front().due <= now) {
    out.push_back(std::move(queue_.front().datagram));
    queue_.pop_front();
  }
  counters_.delivered += out.size();
  return out;
}

std::optional<Millis> ImpairedPath::nextDue() const {
  if (queue_.empty()) return std::nullopt;
  return queue_.front().due;
}

}  // namespace rendezvous
