#include "http_command/retry_policy.h"

#include <limits>
#include <utility>

RetryPolicy::RetryPolicy(Clock clock, int giveUpAfter)
    : clock_(std::move(clock)), giveUpAfter_(giveUpAfter > 0 ? giveUpAfter : 0) {}

qint64 RetryPolicy::onFailure() {
  if (gaveUp()) return kGiveUp;
  if (failures_ < std::numeric_limits<int>::max()) ++failures_;
  if (gaveUp()) return kGiveUp;
  if (failures_ == 1) return 0;
  qint64 delay = kFirstBackoffMs;
  for (int i = 2; i < failures_ && delay < kMaxBackoffMs; ++i) delay *= 2;
  return delay < kMaxBackoffMs ? delay : kMaxBackoffMs;
}

void RetryPolicy::onSuccess() { failures_ = 0; }

void RetryPolicy::reset() {
  failures_ = 0;
  pending_ = false;
}

bool RetryPolicy::schedule(qint64 delayMs) {
  if (pending_ || gaveUp() || delayMs < 0) return false;
  pending_ = true;
  dueAt_ = now() + delayMs;
  return true;
}

bool RetryPolicy::isDue() const { return pending_ && now() >= dueAt_; }

bool RetryPolicy::fire() {
  const bool was = pending_;
  pending_ = false;
  return was;
}
