// The protocol dispatch of a waiting session: one received datagram in,
// the session's link fields and the answers out.  Thread-free: sockets,
// sleeping and clocks come through ProtoEnv, so the decisions can be
// driven datagram by datagram.
#pragma once

#include <netinet/in.h>

#include <cstddef>
#include <cstdint>

#include "net/zorp_socket.h"
#include "session/session.h"

namespace vornet {

class ProtoEnv {
 public:
  virtual ~ProtoEnv() = default;
  // Sends a built datagram on the session socket (destination rules applied by the caller).
  virtual void send(const uint8_t* datagram, size_t len, const sockaddr_in& to) = 0;
  virtual void icmpEcho(const sockaddr_in& to, uint16_t identifier) = 0;
  virtual void sleepMs(unsigned ms) = 0;
  virtual void localAddressToward(const sockaddr_in& peer, char out[16]) = 0;
  virtual uint16_t boundPort() = 0;  // network order, from getsockname of the session socket
  virtual uint32_t tickMs() = 0;
  virtual int64_t nowSeconds() = 0;
  // True when `from` is the remote address of any slot whose socket is not -1.
  virtual bool isRemoteOfLiveSlot(const sockaddr_in& from) = 0;
};

// Handles one datagram (`body` of rx.copied bytes) for session `index`.
// Returns true when the session linked (protoStop is then set).
bool proto_dispatch(ZORP_Session& s, int index, const net::Received& rx, const uint8_t* body, ProtoEnv& env);

// The real environment: session socket, system clocks, the session table.
class SocketProtoEnv : public ProtoEnv {
 public:
  explicit SocketProtoEnv(int sock) : sock_(sock) {}
  void send(const uint8_t* datagram, size_t len, const sockaddr_in& to) override;
  void icmpEcho(const sockaddr_in& to, uint16_t identifier) override;
  void sleepMs(unsigned ms) override;
  void localAddressToward(const sockaddr_in& peer, char out[16]) override;
  uint16_t boundPort() override;
  uint32_t tickMs() override;
  int64_t nowSeconds() override;
  bool isRemoteOfLiveSlot(const sockaddr_in& from) override;

 private:
  int sock_;
};

// Thread procedure of a waiting session: runs until protoStop.
int ZORP_thread_recv_Proto(int index);

}  // namespace vornet
