#include "datagram.h"

#include <arpa/inet.h>

namespace rendezvous {

std::string address_text(const sockaddr_in& a) {
  char text[INET_ADDRSTRLEN] = {};
  inet_ntop(AF_INET, &a.sin_addr, text, sizeof text);
  return std::string(text) + ":" + std::to_string(ntohs(a.sin_port));
}

sockaddr_in make_address(const char* dotted, uint16_t port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  inet_pton(AF_INET, dotted, &a.sin_addr);
  return a;
}

bool same_address(const sockaddr_in& a, const sockaddr_in& b) {
  return a.sin_addr.s_addr == b.sin_addr.s_addr && a.sin_port == b.sin_port;
}

}  // namespace rendezvous
