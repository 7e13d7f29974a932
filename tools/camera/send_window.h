// Holds the camera's output back so that at most a given number of
// reliable-channel packets wait for their acknowledgement, as a camera
// whose own sender keeps a small window does: a key frame leaves in bursts,
// each one after the acknowledgements of the last. Thread-free: the driver
// passes the transport's count of unacknowledged bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>

#include "media_units.h"

namespace camera {

class SendWindow {
 public:
  // `packets` 0: no bound (everything goes at once).
  explicit SendWindow(int packets, int packetBytes = 1024)
      : limit_(uint64_t(packets > 0 ? packets : 0) * uint64_t(packetBytes > 0 ? packetBytes : 1)) {}

  // Queues bytes behind those still waiting.
  void add(const Bytes& bytes);
  // The bytes that may go now, in order, given how many bytes the transport
  // holds unacknowledged: as many as fill the window up.
  Bytes take(uint64_t unacknowledged);
  size_t waiting() const { return waiting_.size(); }

 private:
  uint64_t limit_;
  std::deque<uint8_t> waiting_;
};

}  // namespace camera
