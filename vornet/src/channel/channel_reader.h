// Readers of one session's channels: the waiting unframed read and the
// framed read (4-byte header, then the payload), on an injected clock.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>

#include "session/session.h"

namespace vornet {
namespace channel {

class ReadClock {
 public:
  virtual ~ReadClock() = default;
  virtual uint32_t now() = 0;
  virtual void sleep(uint32_t ms) = 0;
};

class ChannelReader {
 public:
  // `liveCheck` answers 0 while the session may still be read, else the
  // error that ends a read (library gone -1, slot freed -11). It is called
  // with the mutex held.
  ChannelReader(ZORP_Session& session, std::recursive_mutex& mutex, ReadClock& clock,
                std::function<int()> liveCheck)
      : s_(session), mutex_(mutex), clock_(clock), liveCheck_(std::move(liveCheck)) {}

  // Up to *len in-order bytes within timeoutMs (bytes a framed read holds
  // first) (0: one pass, no sleeping).
  // 0 with *len delivered (something delivered is always a success: a
  // stop reason shows again on the next call); -3 nothing in time; -14,
  // -20; -13 / -12 when the next packet is missing after a time-out / the
  // peer's close. The caller has checked the arguments.
  int read(int channel, uint8_t* buf, int* len, uint32_t timeoutMs);

  // A whole framed message, within max(timeoutMs / 50, 1) rounds of 50 ms
  // (plus one pass). The header is taken whole or not at all; a payload
  // larger than *len gives -23 with the header consumed and the payload
  // left in the channel. A message whose payload has not all arrived when
  // the time is up stays held in the channel (-3), and a later framed read
  // goes on with it, so every message comes out whole and in order; an
  // unframed read takes the held payload bytes as plain bytes. A held
  // message longer than a later caller's *len gives -23 and stays held.
  // typeOut (may be null) gets the type on success and on -23, else 0.
  int readFramed(int channel, uint8_t* buf, int* len, int64_t timeoutMs, uint8_t* typeOut);

 private:
  // One pass under the mutex: 0 delivered, an error, or a wait code.
  int framedPass(int channel, uint8_t* buf, int* len, uint8_t* typeOut);

  ZORP_Session& s_;
  std::recursive_mutex& mutex_;
  ReadClock& clock_;
  std::function<int()> liveCheck_;
};

}  // namespace channel
}  // namespace vornet
