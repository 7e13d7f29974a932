// The local UDP endpoints of the simulated world: one socket per server
// address on the server port, one on the alternative port of each server
// address (answers that force NAT type 1), the relay port and the relay's
// per-session ports.
#pragma once

#include <netinet/in.h>

#include <vector>

#include "rendezvous_config.h"

namespace rendezvous {

enum class EndpointKind { Server, ServerAltPort, Relay, RelayAllocated };

inline bool is_relay(EndpointKind k) { return k == EndpointKind::Relay || k == EndpointKind::RelayAllocated; }

struct Endpoint {
  EndpointKind kind = EndpointKind::Server;
  int server = 0;  // index of the server (Server, ServerAltPort)
  sockaddr_in addr{};
};

struct EndpointTable {
  std::vector<Endpoint> all;
  std::vector<int> server;     // endpoint index of server i
  std::vector<int> serverAlt;  // endpoint index of server i's alternative port
  int relay = -1;              // -1 without a relay
  std::vector<int> relayAllocated;
};

EndpointTable make_endpoints(const Config& c);

}  // namespace rendezvous
