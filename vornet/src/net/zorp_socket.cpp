#include "net/zorp_socket.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <random>
#include <cstring>
#include <vector>

#include "platform/clock.h"
#include "wire/zorp_send.h"
#include "wire/zorp_wire.h"

namespace vornet {
namespace net {

namespace {

std::atomic<uint16_t> g_icmpSequence{0};

// One generator for the process, seeded once: reseeding from the
// millisecond clock on every call gave sessions opened in the same
// millisecond the same port sequence.
uint32_t random_port_draw() {
  static std::mutex m;
  static std::mt19937 gen(std::random_device{}() ^ tick_ms());
  std::lock_guard<std::mutex> lock(m);
  return gen();
}

constexpr int kThreeSocketWaitMs = 50;

// Steps 3-5 of a receive on a socket known to be readable.
int receive_ready(int sock, uint8_t* body, size_t capacity, Received* out) {
  uint8_t datagram[wire::kReceiveMax];
  sockaddr_in from{};
  socklen_t fromLen = sizeof(from);
  const ssize_t n = recvfrom(sock, datagram, sizeof(datagram), MSG_TRUNC, reinterpret_cast<sockaddr*>(&from),
                             &fromLen);
  out->socket = sock;
  if (n < 0) return kRecvSocketError;
  out->from = from;
  const size_t total = static_cast<size_t>(n);                            // real size, even when cut
  const size_t held = total < sizeof(datagram) ? total : sizeof(datagram);  // bytes in the buffer
  return check_datagram(datagram, held, total, body, capacity, out);
}

}  // namespace

int recv_one(int sock, int timeoutMs, uint8_t* body, size_t capacity, Received* out) {
  if (sock < 0) return kRecvSocketError;
  pollfd p{sock, POLLIN, 0};
  const int r = poll(&p, 1, timeoutMs < 0 ? 0 : timeoutMs);
  if (r < 0) return kRecvSocketError;
  if (r == 0) return kRecvNothing;
  if ((p.revents & POLLNVAL) != 0) return kRecvSocketError;
  return receive_ready(sock, body, capacity, out);
}

int recv_three(int sessionSock, int lanSock, int announceSock, uint8_t* body, Received* out) {
  // poll rather than select: no limit on descriptor numbers in a host
  // process with many files open.
  pollfd p[3];
  nfds_t n = 0;
  for (int s : {sessionSock, lanSock, announceSock}) {
    bool seen = s < 0;
    for (nfds_t k = 0; k < n && !seen; ++k) seen = p[k].fd == s;
    if (!seen) p[n++] = pollfd{s, POLLIN, 0};
  }
  if (n == 0) return kRecvSocketError;
  const int r = poll(p, n, kThreeSocketWaitMs);
  if (r < 0) return kRecvSocketError;
  if (r == 0) return kRecvNothing;
  // The session socket first, then the LAN socket, then the announce socket.
  for (nfds_t k = 0; k < n; ++k) {
    if ((p[k].revents & POLLNVAL) != 0) return kRecvSocketError;
    if ((p[k].revents & (POLLIN | POLLERR | POLLHUP)) != 0)
      return receive_ready(p[k].fd, body, wire::kProtoBodyCapacity, out);
  }
  return kRecvNothing;
}

int bind_port(int sock, uint16_t port, sockaddr_in* bound) {
  if (port == 0) return -1;
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  a.sin_addr.s_addr = htonl(INADDR_ANY);
  if (bind(sock, reinterpret_cast<const sockaddr*>(&a), sizeof(a)) != 0) return -1;
  if (bound != nullptr) *bound = a;
  return port;
}

int bind_random(int sock, int maxTries, sockaddr_in* bound, const std::atomic<bool>* stop) {
  for (int i = 0; i < maxTries; ++i) {
    if (stop != nullptr && stop->load()) return -1;
    const uint16_t port = static_cast<uint16_t>(10000 + random_port_draw() % 20000);
    if (bind_port(sock, port, bound) > 0) return port;
  }
  return -1;
}

int lan_socket(uint16_t port) {
  const int s = socket(AF_INET, SOCK_DGRAM, 0);
  if (s < 0) return -1;
  const int one = 1;
  if (setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &one, sizeof(one)) != 0 ||
      setsockopt(s, SOL_SOCKET, SO_BROADCAST, &one, sizeof(one)) != 0) {
    close(s);
    return -2;
  }
  if (bind_port(s, port, nullptr) < 0) {
    close(s);
    return -3;
  }
  return s;
}

int join_multicast(int sock) {
  ip_mreq m{};
  m.imr_multiaddr.s_addr = inet_addr(wire::kMulticastGroup);
  m.imr_interface.s_addr = htonl(INADDR_ANY);
  return setsockopt(sock, IPPROTO_IP, IP_ADD_MEMBERSHIP, &m, sizeof(m)) == 0 ? 0 : -1;
}

void local_address_toward(const sockaddr_in& peer, char out[16]) {
  std::snprintf(out, 16, "0.0.0.0");
  const int s = socket(AF_INET, SOCK_DGRAM, 0);
  if (s < 0) return;
  sockaddr_in to = peer;
  to.sin_family = AF_INET;
  if (to.sin_port == 0) to.sin_port = htons(wire::kServerPort);
  sockaddr_in local{};
  socklen_t len = sizeof(local);
  if (connect(s, reinterpret_cast<const sockaddr*>(&to), sizeof(to)) == 0 &&
      getsockname(s, reinterpret_cast<sockaddr*>(&local), &len) == 0) {
    inet_ntop(AF_INET, &local.sin_addr, out, 16);
  }
  close(s);
}

sockaddr_in address_from_text(const char* text, uint16_t port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  a.sin_addr.s_addr = inet_addr(text);  // no name lookup; bad text: all ones
  return a;
}

int lan_search_to(int sock, const char* addressText) {
  return wire::send_lan_search(sock, address_from_text(addressText, wire::kLanSearchPort));
}

bool lan_search_target(in_addr adapter, sockaddr_in* target) {
  const uint32_t a = ntohl(adapter.s_addr);
  if (a == INADDR_LOOPBACK) return false;
  if ((a >> 16) == ((169u << 8) | 254u)) return false;
  *target = sockaddr_in{};
  target->sin_family = AF_INET;
  target->sin_port = htons(wire::kLanSearchPort);
  target->sin_addr.s_addr = htonl((a & 0xFFFFFF00u) | 0xFFu);
  return true;
}

int lan_search_broadcast(int sock) {
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return 0;
  // Several adapter addresses in one subnet share its broadcast address:
  // one datagram per distinct destination.
  std::vector<uint32_t> done;
  for (const ifaddrs* i = list; i != nullptr; i = i->ifa_next) {
    if (i->ifa_addr == nullptr || i->ifa_addr->sa_family != AF_INET || (i->ifa_flags & IFF_UP) == 0) continue;
    sockaddr_in target{};
    if (!lan_search_target(reinterpret_cast<const sockaddr_in*>(i->ifa_addr)->sin_addr, &target)) continue;
    if (std::find(done.begin(), done.end(), target.sin_addr.s_addr) != done.end()) continue;
    if (wire::send_lan_search(sock, target) > 0) done.push_back(target.sin_addr.s_addr);
  }
  freeifaddrs(list);
  return static_cast<int>(done.size());
}

uint16_t inet_checksum(const uint8_t* data, size_t len) {
  uint32_t sum = 0;
  size_t i = 0;
  for (; i + 1 < len; i += 2) sum += static_cast<uint32_t>((data[i] << 8) | data[i + 1]);
  if (i < len) sum += static_cast<uint32_t>(data[i] << 8);
  while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<uint16_t>(~sum & 0xFFFF);
}

void build_icmp_echo(uint8_t out[kIcmpEchoSize], uint16_t identifier, uint16_t sequence, uint32_t tick) {
  std::memset(out, 0, kIcmpEchoSize);
  out[0] = 8;
  out[1] = 0;
  wire::put_u16(out + 4, identifier);
  wire::put_u16(out + 6, sequence);
  std::memcpy(out + 8, &tick, 4);
  wire::put_u16(out + 2, inet_checksum(out, kIcmpEchoSize));
}

int send_icmp_echo(const sockaddr_in& peer, uint16_t identifier) {
  const int s = socket(AF_INET, SOCK_RAW, IPPROTO_ICMP);
  if (s < 0) {
    std::printf("icmp_send %d \n", -1);
    return -1;
  }
  uint8_t packet[kIcmpEchoSize];
  build_icmp_echo(packet, identifier, static_cast<uint16_t>(++g_icmpSequence), tick_ms());
  sockaddr_in to = peer;
  to.sin_family = AF_INET;
  to.sin_port = 0;
  const int r = static_cast<int>(
      sendto(s, packet, sizeof(packet), 0, reinterpret_cast<const sockaddr*>(&to), sizeof(to)));
  std::printf("icmp_send %d \n", r);
  close(s);
  return r;
}

}  // namespace net
}  // namespace vornet
