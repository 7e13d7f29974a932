// The simulated world's logic, thread-free: a datagram that arrived on one
// of the endpoints goes in with the current time (ms), the datagrams to
// send come out. Delayed relay traffic comes out of poll() when due.
#pragma once

#include <optional>
#include <vector>

#include "datagram.h"
#include "endpoints.h"
#include "record_log.h"
#include "relay_logic.h"
#include "rendezvous_config.h"
#include "server_logic.h"

namespace rendezvous {

class Engine {
 public:
  // `recorder` may be null (nothing recorded); it must outlive the engine.
  Engine(const Config& c, Recorder* recorder);
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  const std::vector<Endpoint>& endpoints() const { return endpoints_.all; }
  const EndpointTable& endpointTable() const { return endpoints_; }

  std::vector<Datagram> receive(const Datagram& in, Millis now);
  std::vector<Datagram> poll(Millis now) { return relay_.takeDue(now); }
  std::optional<Millis> nextDue() const { return relay_.nextDue(); }

  const ServerLogic& servers() const { return servers_; }
  const RelayLogic& relay() const { return relay_; }

 private:
  void record(const Datagram& in, Millis now);
  void recordEvent(const char* ev, const Datagram& in, Millis now);

  Config config_;
  EndpointTable endpoints_;
  Recorder* recorder_;
  ServerLogic servers_;
  RelayLogic relay_;
};

}  // namespace rendezvous
