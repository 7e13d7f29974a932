// Drives the rendezvous engine in-process: datagrams built with the wire
// codec go in, the answers come out parsed.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "record_log.h"
#include "rendezvous_config.h"
#include "rendezvous_engine.h"
#include "wire/zorp_wire.h"

namespace world_test {

struct Sent {
  int endpoint = 0;
  sockaddr_in to{};
  uint8_t type = 0;
  std::vector<uint8_t> body;
};

class EngineHarness {
 public:
  // Switches as on the command line.
  explicit EngineHarness(const std::vector<std::string>& switches);

  rendezvous::Engine& engine() { return *engine_; }
  const std::vector<std::string>& record() const { return recorder_.lines; }
  int serverEndpoint(int i) const { return engine_->endpointTable().server.at(i); }
  int relayEndpoint() const { return engine_->endpointTable().relay; }
  sockaddr_in endpointAddress(int endpoint) const { return engine_->endpoints().at(endpoint).addr; }

  // One datagram from `from` to endpoint `at`; the answers.
  std::vector<Sent> deliver(int at, const sockaddr_in& from, const uint8_t* bytes, size_t len,
                            rendezvous::Millis now = 0);
  std::vector<Sent> poll(rendezvous::Millis now);

 private:
  rendezvous::Config config_;
  rendezvous::MemoryRecorder recorder_;
  std::unique_ptr<rendezvous::Engine> engine_;
};

std::vector<Sent> parse_all(const std::vector<rendezvous::Datagram>& out);
std::vector<Sent> of_type(const std::vector<Sent>& all, uint8_t type);

}  // namespace world_test
