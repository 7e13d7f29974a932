// The rendezvous servers: HELLO answers shaped by the NAT mode,
// registrations and P2P requests with scripted codes (PUNCH_TO to both
// sides on 0), relay list and relay requests (RLY_TO to the listener).
// The servers share one table of registered devices.
#pragma once

#include <map>
#include <string>

#include "endpoints.h"
#include "outbox.h"
#include "rendezvous_config.h"

namespace rendezvous {

struct Registration {
  sockaddr_in seen{};   // where the registration came from
  sockaddr_in local{};  // the listener's own address block
  uint8_t natType = 0;
};

class ServerLogic {
 public:
  ServerLogic(const Config& c, const EndpointTable& endpoints) : config_(c), endpoints_(endpoints) {}

  // One valid datagram (header checked) that arrived on a server endpoint.
  void handle(const Datagram& in, uint8_t type, const uint8_t* body, size_t len, Outbox& out);

  const std::map<std::string, Registration>& registrations() const { return registered_; }

 private:
  void hello(const Datagram& in, const Endpoint& at, Outbox& out);
  void registration(const Datagram& in, const uint8_t* body, size_t len, Outbox& out);
  void p2pRequest(const Datagram& in, const uint8_t* body, size_t len, Outbox& out);
  void relayQuery(const Datagram& in, Outbox& out);
  void relayRequest(const Datagram& in, const uint8_t* body, size_t len, Outbox& out);

  const Config& config_;
  const EndpointTable& endpoints_;
  std::map<std::string, Registration> registered_;
};

}  // namespace rendezvous
