#include "raw_peer.h"

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

#include "wire/zorp_wire.h"

namespace world_test {

namespace w = vornet::wire;

namespace {
long long now_ms() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}
}  // namespace

RawPeer::RawPeer(const char* dotted, uint16_t port) {
  fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd_ < 0) return;
  // A hand-played server takes bursts from many sessions at once (128
  // listens each send their HELLOs as they start) while a slow machine or
  // a sanitizer keeps the test thread from reading: the default buffer
  // drops part of such a burst, which nobody sends again. Room for a few
  // thousand datagrams (the forced size needs CAP_NET_ADMIN, which the
  // test namespace gives; else the largest size the system allows).
  const int room = 8 << 20;
  if (setsockopt(fd_, SOL_SOCKET, SO_RCVBUFFORCE, &room, sizeof room) != 0)
    (void)setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &room, sizeof room);
  bound_.sin_family = AF_INET;
  bound_.sin_port = htons(port);
  inet_pton(AF_INET, dotted, &bound_.sin_addr);
  socklen_t len = sizeof bound_;
  if (bind(fd_, reinterpret_cast<const sockaddr*>(&bound_), sizeof bound_) != 0 ||
      getsockname(fd_, reinterpret_cast<sockaddr*>(&bound_), &len) != 0) {
    close(fd_);
    fd_ = -1;
  }
}

RawPeer::~RawPeer() {
  if (fd_ >= 0) close(fd_);
}

void RawPeer::send(const sockaddr_in& to, const uint8_t* bytes, size_t len) const {
  (void)sendto(fd_, bytes, len, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
}

bool RawPeer::receive(RawDatagram* out, int timeoutMs) {
  const long long end = now_ms() + timeoutMs;
  for (;;) {
    const long long left = end - now_ms();
    if (left < 0) return false;
    pollfd p{fd_, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left)) <= 0) return false;
    uint8_t buf[2048];
    sockaddr_in from{};
    socklen_t fromLen = sizeof from;
    const ssize_t n = recvfrom(fd_, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &fromLen);
    w::ZORP_HEADER h;
    if (n < 0 || !w::read_header(buf, static_cast<size_t>(n), &h) || h.magic != w::ZORP_MAGIC ||
        static_cast<size_t>(n) != h.bodyLength + w::ZORP_HEADER_SIZE)
      continue;
    out->type = h.type;
    out->body.assign(buf + w::ZORP_HEADER_SIZE, buf + n);
    out->from = from;
    return true;
  }
}

bool RawPeer::receiveType(uint8_t type, RawDatagram* out, int timeoutMs) {
  const long long end = now_ms() + timeoutMs;
  for (;;) {
    const long long left = end - now_ms();
    if (left < 0 || !receive(out, static_cast<int>(left))) return false;
    if (out->type == type) return true;
  }
}

bool RawPeer::awaitCount(uint8_t type, int count, int timeoutMs, RawDatagram* last) {
  const long long end = now_ms() + timeoutMs;
  RawDatagram d;
  int seen = 0;
  for (long long left = timeoutMs; seen < count && left >= 0; left = end - now_ms()) {
    if (!receiveType(type, &d, static_cast<int>(left))) break;
    ++seen;
  }
  if (last != nullptr && seen > 0) *last = d;
  return seen == count;
}

std::vector<RawDatagram> RawPeer::drain(int windowMs) {
  std::vector<RawDatagram> all;
  const long long end = now_ms() + windowMs;
  RawDatagram d;
  for (long long left = windowMs; left >= 0; left = end - now_ms()) {
    if (!receive(&d, static_cast<int>(left))) break;
    all.push_back(d);
  }
  return all;
}

}  // namespace world_test
