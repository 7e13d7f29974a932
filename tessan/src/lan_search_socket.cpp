#include "lan_search_socket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <ctime>

#include "lan_search_reply.h"

namespace tessan::lan {

uint16_t fallbackPort(uint32_t ms, unsigned k) {
  return static_cast<uint16_t>(kFallbackBase + ms % 100 + 10 * (k % 10));
}

uint16_t FallbackPorts::next(uint32_t ms) {
  unsigned k = k_.load();
  while (!k_.compare_exchange_weak(k, (k + 1) % 10)) {
  }
  return fallbackPort(ms, k);
}

uint32_t msSinceStart() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<uint32_t>(static_cast<uint64_t>(ts.tv_sec) * 1000u +
                               static_cast<uint64_t>(ts.tv_nsec) / 1000000u);
}

namespace {

FallbackPorts& processFallbackPorts() {
  static FallbackPorts ports;
  return ports;
}

bool setIntOption(int fd, int name, int value) {
  return setsockopt(fd, SOL_SOCKET, name, &value, sizeof value) == 0;
}

int fail(int fd, int code) {
  shutdown(fd, SHUT_RDWR);
  close(fd);
  return code;
}

}  // namespace

int openSearchSocket(uint16_t port, uint16_t* chosenPort) {
  if (port == 0) {
    port = processFallbackPorts().next(msSinceStart());
    if (chosenPort) *chosenPort = port;
  }
  const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
  if (fd < 0) return kOpenNoSocket;

  // Both options take an int on Linux; a shorter value is refused.
  const bool broadcastOn = setIntOption(fd, SO_BROADCAST, 1);
  const bool reuseOn = setIntOption(fd, SO_REUSEADDR, 1);

  int rcvBuf = 0;
  socklen_t len = sizeof rcvBuf;
  if (getsockopt(fd, SOL_SOCKET, SO_RCVBUF, &rcvBuf, &len) != 0) return fail(fd, kOpenRcvBufRead);
  const long long wanted = 4LL * rcvBuf;
  if (!setIntOption(fd, SO_RCVBUF, wanted > INT_MAX ? INT_MAX : static_cast<int>(wanted))) {
    return fail(fd, kOpenRcvBufSet);
  }

  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_addr.s_addr = htonl(INADDR_ANY);
  local.sin_port = htons(port);
  if (bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
    return fail(fd, kOpenBindFailed);
  }
  if (!broadcastOn || !reuseOn) return fail(fd, kOpenOptionFailed);
  return fd;
}

int waitAndRead(int fd, uint8_t* buf, size_t cap, int timeoutMs) {
  pollfd p{fd, POLLIN, 0};
  const int ready = poll(&p, 1, timeoutMs);
  if (ready == 0) return kReadTimeout;
  if (ready < 0) return errno == EINTR ? kReadTimeout : kPollFailed;
  // Both directions shut down (the search is being stopped): no more reads.
  if (p.revents & POLLHUP) return kShutDown;
  if (!(p.revents & POLLIN)) return kNotReadable;

  // MSG_TRUNC makes the result the datagram's whole length, so an oversize
  // one is seen and dropped rather than taken for a short reply.
  const ssize_t n = recvfrom(fd, buf, cap, MSG_TRUNC | MSG_DONTWAIT, nullptr, nullptr);
  if (n < 0) {
    return (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) ? kReadTimeout : kReadFailed;
  }
  if (n == 0) return kEmptyDatagram;
  if (static_cast<size_t>(n) > cap) return kOversize;
  return static_cast<int>(n);
}

bool sendProbe(int fd, uint32_t addr) {
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_addr.s_addr = htonl(addr);
  to.sin_port = htons(kProbePort);
  const ssize_t n = sendto(fd, kProbe.data(), kProbe.size(), MSG_NOSIGNAL,
                           reinterpret_cast<const sockaddr*>(&to), sizeof to);
  return n == static_cast<ssize_t>(kProbe.size());
}

void shutDownSocket(int fd) { shutdown(fd, SHUT_RDWR); }

void closeSocket(int fd) { close(fd); }

}  // namespace tessan::lan
