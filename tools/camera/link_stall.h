// Tells when a client stopped taking the stream: it has acknowledged no
// byte for a while although bytes wait for it. A client that vanished
// without closing leaves the camera's link open until the transport's
// keep-alives run out, and a new client that punches to the camera
// meanwhile is taken into that link (the transport follows a peer whose
// address changed) but can never read it, since its reliable channel
// starts again from zero. Dropping such a link frees the camera for the next
// client. Thread-free, on an injected millisecond clock.
#pragma once

#include <cstdint>

namespace camera {

class LinkStall {
 public:
  explicit LinkStall(uint64_t limitMs = 3000) : limitMs_(limitMs) {}

  // `sentBytes`: all bytes handed to the transport so far; `unacknowledged`:
  // those the peer has not acknowledged yet. True once the acknowledged
  // count has not grown for the limit while bytes were waiting.
  bool stalled(uint64_t nowMs, uint64_t sentBytes, uint64_t unacknowledged);

 private:
  uint64_t limitMs_;
  uint64_t acknowledged_ = 0;
  uint64_t since_ = 0;  // the acknowledged count last grew, or nothing was waiting
  bool started_ = false;
};

}  // namespace camera
