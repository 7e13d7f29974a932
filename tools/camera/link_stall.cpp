#include "link_stall.h"

namespace camera {

bool LinkStall::stalled(uint64_t nowMs, uint64_t sentBytes, uint64_t unacknowledged) {
  const uint64_t acknowledged = sentBytes > unacknowledged ? sentBytes - unacknowledged : 0;
  if (!started_ || unacknowledged == 0 || acknowledged > acknowledged_) {
    started_ = true;
    since_ = nowMs;
    if (acknowledged > acknowledged_) acknowledged_ = acknowledged;
    return false;
  }
  return nowMs - since_ >= limitMs_;
}

}  // namespace camera
