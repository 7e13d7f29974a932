// The thin socket loop around the engine: binds every endpoint, feeds
// each received datagram to the engine with the time since start, sends
// what comes out, and stops at the end of the lifetime or on SIGTERM /
// SIGINT.
#pragma once

#include <string>
#include <vector>

#include "rendezvous_engine.h"

namespace rendezvous {

class SocketLoop {
 public:
  SocketLoop() = default;
  ~SocketLoop();
  SocketLoop(const SocketLoop&) = delete;
  SocketLoop& operator=(const SocketLoop&) = delete;

  // Blocks SIGTERM and SIGINT (they are read from a signal descriptor
  // instead) and binds one UDP socket per endpoint. false with `error`.
  bool open(const std::vector<Endpoint>& endpoints, std::string* error);
  // Runs until the lifetime ends or a stop signal arrives; returns the
  // reason ("lifetime", "signal").
  std::string run(Engine& engine, uint32_t lifetimeSeconds);

 private:
  void sendAll(const std::vector<Datagram>& out);

  std::vector<int> sockets_;
  int signalFd_ = -1;
};

}  // namespace rendezvous
