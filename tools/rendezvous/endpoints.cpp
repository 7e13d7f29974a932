#include "endpoints.h"

#include <arpa/inet.h>

namespace rendezvous {

namespace {

int add(EndpointTable& t, EndpointKind kind, int server, in_addr a, uint16_t port) {
  Endpoint e;
  e.kind = kind;
  e.server = server;
  e.addr.sin_family = AF_INET;
  e.addr.sin_addr = a;
  e.addr.sin_port = htons(port);
  t.all.push_back(e);
  return static_cast<int>(t.all.size()) - 1;
}

}  // namespace

EndpointTable make_endpoints(const Config& c) {
  EndpointTable t;
  for (size_t i = 0; i < c.servers.size(); ++i)
    t.server.push_back(add(t, EndpointKind::Server, static_cast<int>(i), c.servers[i], c.serverPort));
  if (c.nat == NatMode::OtherPort) {
    for (size_t i = 0; i < c.servers.size(); ++i)
      t.serverAlt.push_back(add(t, EndpointKind::ServerAltPort, static_cast<int>(i), c.servers[i], c.altPort));
  }
  if (c.relayEnabled) {
    const uint16_t base = ntohs(c.relay.sin_port);
    t.relay = add(t, EndpointKind::Relay, 0, c.relay.sin_addr, base);
    for (int i = 1; i <= c.relayPorts; ++i)
      t.relayAllocated.push_back(add(t, EndpointKind::RelayAllocated, 0, c.relay.sin_addr, static_cast<uint16_t>(base + i)));
  }
  return t;
}

}  // namespace rendezvous
