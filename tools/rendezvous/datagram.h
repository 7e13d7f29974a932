// What the rendezvous engine takes in and gives out: one UDP datagram
// bound to one of the program's local endpoints.
#pragma once

#include <netinet/in.h>

#include <cstdint>
#include <string>
#include <vector>

namespace rendezvous {

using Millis = uint64_t;

struct Datagram {
  int endpoint = 0;    // index into the engine's endpoint table
  sockaddr_in peer{};  // sender of an incoming datagram, destination of an outgoing one
  std::vector<uint8_t> bytes;  // header and body
};

// "a.b.c.d:port" of an address in network order.
std::string address_text(const sockaddr_in& a);

// IPv4 socket address (network order) from a dotted text and a host-order port.
sockaddr_in make_address(const char* dotted, uint16_t port);

bool same_address(const sockaddr_in& a, const sockaddr_in& b);  // address and port

}  // namespace rendezvous
