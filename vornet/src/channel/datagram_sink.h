// Where the channel engine puts the datagrams it builds: the session socket
// in the library, a simulated link in the tests.
#pragma once

#include <netinet/in.h>

#include <cstddef>
#include <cstdint>

namespace vornet {
namespace channel {

class DatagramSink {
 public:
  virtual ~DatagramSink() = default;
  // One whole datagram (header and body) toward `to`.
  virtual void send(const uint8_t* datagram, size_t length, const sockaddr_in& to) = 0;
};

// For engine calls that never send (writers, readers, counts).
class DiscardSink : public DatagramSink {
 public:
  void send(const uint8_t*, size_t, const sockaddr_in&) override {}
};

}  // namespace channel
}  // namespace vornet
