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

  // Up to *len in-order bytes within timeoutMs (0: one pass, no sleeping).
  // 0 with *len delivered (something delivered is always a success: a
  // stop reason shows again on the next call); -3 nothing in time; -14,
  // -20; -13 / -12 when the next packet is missing after a time-out / the
  // peer's close. The caller has checked the arguments.
  int read(int channel, uint8_t* buf, int* len, uint32_t timeoutMs);

  // A whole framed message: the header is taken whole or not at all (-3,
  // nothing consumed); a payload larger than *len gives -23 with the
  // header consumed and the payload left in the channel; once the header
  // is taken the payload is read to its end unless a session error comes.
  // typeOut (may be null) gets the type, also on -23.
  int readFramed(int channel, uint8_t* buf, int* len, int64_t timeoutMs, uint8_t* typeOut);

 private:
  int waitForHeader(int channel, uint8_t header[4], int64_t timeoutMs);
  int readPayload(int channel, uint8_t* buf, int length);

  ZORP_Session& s_;
  std::recursive_mutex& mutex_;
  ReadClock& clock_;
  std::function<int()> liveCheck_;
};

}  // namespace channel
}  // namespace vornet
