#include "engine_harness.h"

#include <stdexcept>

namespace world_test {

namespace w = vornet::wire;

EngineHarness::EngineHarness(const std::vector<std::string>& switches) {
  std::vector<const char*> argv{"rendezvous"};
  for (const auto& s : switches) argv.push_back(s.c_str());
  const std::string problem = rendezvous::parse_config(static_cast<int>(argv.size()), argv.data(), &config_);
  if (!problem.empty()) throw std::runtime_error("bad switches: " + problem);
  engine_ = std::make_unique<rendezvous::Engine>(config_, &recorder_);
}

std::vector<Sent> parse_all(const std::vector<rendezvous::Datagram>& out) {
  std::vector<Sent> sent;
  for (const auto& d : out) {
    w::ZORP_HEADER h;
    if (!w::read_header(d.bytes.data(), d.bytes.size(), &h)) throw std::runtime_error("short datagram out");
    if (h.magic != w::ZORP_MAGIC || d.bytes.size() != h.bodyLength + w::ZORP_HEADER_SIZE)
      throw std::runtime_error("malformed datagram out");
    Sent s;
    s.endpoint = d.endpoint;
    s.to = d.peer;
    s.type = h.type;
    s.body.assign(d.bytes.begin() + w::ZORP_HEADER_SIZE, d.bytes.end());
    sent.push_back(std::move(s));
  }
  return sent;
}

std::vector<Sent> of_type(const std::vector<Sent>& all, uint8_t type) {
  std::vector<Sent> out;
  for (const auto& s : all)
    if (s.type == type) out.push_back(s);
  return out;
}

std::vector<Sent> EngineHarness::deliver(int at, const sockaddr_in& from, const uint8_t* bytes, size_t len,
                                         rendezvous::Millis now) {
  rendezvous::Datagram d;
  d.endpoint = at;
  d.peer = from;
  d.bytes.assign(bytes, bytes + len);
  return parse_all(engine_->receive(d, now));
}

std::vector<Sent> EngineHarness::poll(rendezvous::Millis now) { return parse_all(engine_->poll(now)); }

}  // namespace world_test
