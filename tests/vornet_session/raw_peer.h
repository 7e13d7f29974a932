// A bare UDP socket that plays a server or a peer by hand, for the
// protocol thread's edge cases: datagrams built with the wire codec.
#pragma once

#include <netinet/in.h>

#include <cstdint>
#include <string>
#include <vector>

namespace world_test {

struct RawDatagram {
  uint8_t type = 0;
  std::vector<uint8_t> body;
  sockaddr_in from{};
};

class RawPeer {
 public:
  // Binds dotted:port (port 0: any free port). Check ok().
  RawPeer(const char* dotted, uint16_t port);
  ~RawPeer();
  RawPeer(const RawPeer&) = delete;
  RawPeer& operator=(const RawPeer&) = delete;

  bool ok() const { return fd_ >= 0; }
  sockaddr_in address() const { return bound_; }
  void send(const sockaddr_in& to, const uint8_t* bytes, size_t len) const;
  // The next well-formed datagram within timeoutMs.
  bool receive(RawDatagram* out, int timeoutMs);
  // The next datagram of `type` within timeoutMs (others are dropped).
  bool receiveType(uint8_t type, RawDatagram* out, int timeoutMs);
  // Waits for `count` datagrams of `type` (others are dropped); false when
  // fewer came within timeoutMs. `last` gets the last one.
  bool awaitCount(uint8_t type, int count, int timeoutMs, RawDatagram* last = nullptr);
  // Everything that arrives within windowMs.
  std::vector<RawDatagram> drain(int windowMs);

 private:
  int fd_ = -1;
  sockaddr_in bound_{};
};

}  // namespace world_test
