#include "send_window.h"

#include <algorithm>

namespace camera {

void SendWindow::add(const Bytes& bytes) { waiting_.insert(waiting_.end(), bytes.begin(), bytes.end()); }

Bytes SendWindow::take(uint64_t unacknowledged) {
  uint64_t n = waiting_.size();
  if (limit_ > 0) n = unacknowledged >= limit_ ? 0 : std::min<uint64_t>(n, limit_ - unacknowledged);
  Bytes out(waiting_.begin(), waiting_.begin() + long(n));
  waiting_.erase(waiting_.begin(), waiting_.begin() + long(n));
  return out;
}

}  // namespace camera
