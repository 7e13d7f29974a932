#include "socket_loop.h"

#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

namespace rendezvous {

namespace {

constexpr size_t kReceiveBuffer = 2048;
constexpr int kMaxPerWake = 64;   // datagrams taken from one socket per wake-up
constexpr int kIdleWaitMs = 100;  // longest poll wait

Millis since(std::chrono::steady_clock::time_point start) {
  return static_cast<Millis>(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count());
}

}  // namespace

SocketLoop::~SocketLoop() {
  for (int s : sockets_) close(s);
  if (signalFd_ >= 0) close(signalFd_);
}

bool SocketLoop::open(const std::vector<Endpoint>& endpoints, std::string* error) {
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGINT);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  signalFd_ = signalfd(-1, &stopSignals, SFD_CLOEXEC | SFD_NONBLOCK);
  if (signalFd_ < 0) {
    *error = std::string("signalfd: ") + std::strerror(errno);
    return false;
  }
  for (const auto& e : endpoints) {
    const int s = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (s < 0) {
      *error = std::string("socket: ") + std::strerror(errno);
      return false;
    }
    sockets_.push_back(s);
    if (bind(s, reinterpret_cast<const sockaddr*>(&e.addr), sizeof e.addr) != 0) {
      *error = "bind " + address_text(e.addr) + ": " + std::strerror(errno);
      return false;
    }
  }
  return true;
}

void SocketLoop::sendAll(const std::vector<Datagram>& out) {
  for (const auto& d : out) {
    if (d.endpoint < 0 || d.endpoint >= static_cast<int>(sockets_.size())) continue;
    // A failed send (no one on that port) is the network's business.
    (void)sendto(sockets_[d.endpoint], d.bytes.data(), d.bytes.size(), 0, reinterpret_cast<const sockaddr*>(&d.peer),
                 sizeof d.peer);
  }
}

std::string SocketLoop::run(Engine& engine, uint32_t lifetimeSeconds) {
  const auto start = std::chrono::steady_clock::now();
  const Millis end = static_cast<Millis>(lifetimeSeconds) * 1000;
  std::vector<pollfd> fds(sockets_.size() + 1);
  for (size_t i = 0; i < sockets_.size(); ++i) fds[i] = pollfd{sockets_[i], POLLIN, 0};
  fds.back() = pollfd{signalFd_, POLLIN, 0};
  uint8_t buf[kReceiveBuffer];
  for (;;) {
    Millis now = since(start);
    if (now >= end) return "lifetime";
    Millis wait = std::min<Millis>(end - now, kIdleWaitMs);
    if (auto due = engine.nextDue()) wait = *due > now ? std::min(wait, *due - now) : 0;
    const int n = poll(fds.data(), fds.size(), static_cast<int>(wait));
    if (n < 0 && errno != EINTR) return std::string("poll: ") + std::strerror(errno);
    if (fds.back().revents & POLLIN) return "signal";
    for (size_t i = 0; n > 0 && i < sockets_.size(); ++i) {
      if (!(fds[i].revents & POLLIN)) continue;
      for (int k = 0; k < kMaxPerWake; ++k) {
        Datagram in;
        socklen_t fromLen = sizeof in.peer;
        const ssize_t got = recvfrom(sockets_[i], buf, sizeof buf, MSG_TRUNC,
                                     reinterpret_cast<sockaddr*>(&in.peer), &fromLen);
        if (got < 0) break;  // EAGAIN, or an ICMP error of an earlier send
        in.endpoint = static_cast<int>(i);
        // An oversize datagram keeps only what fitted: its length check fails.
        in.bytes.assign(buf, buf + std::min<size_t>(static_cast<size_t>(got), sizeof buf));
        sendAll(engine.receive(in, since(start)));
      }
    }
    now = since(start);
    sendAll(engine.poll(now));
  }
}

}  // namespace rendezvous
