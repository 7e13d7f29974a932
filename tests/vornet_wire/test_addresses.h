// IPv4 socket addresses for the tests, in network order as the library keeps them.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>

inline sockaddr_in ipv4(const char* ip, uint16_t port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  a.sin_addr.s_addr = inet_addr(ip);
  return a;
}
