#include "rendezvous_engine.h"

#include "outbox.h"
#include "wire/zorp_wire.h"

namespace rendezvous {

namespace w = vornet::wire;

Engine::Engine(const Config& c, Recorder* recorder)
    : config_(c),
      endpoints_(make_endpoints(config_)),
      recorder_(recorder),
      servers_(config_, endpoints_),
      relay_(config_, endpoints_) {}

void Engine::record(const Datagram& in, Millis now) {
  if (!recorder_) return;
  const Endpoint& at = endpoints_.all[in.endpoint];
  recorder_->write(describe_received(in, at.addr, is_relay(at.kind) ? "relay" : "server", now));
}

void Engine::recordEvent(const char* ev, const Datagram& in, Millis now) {
  if (!recorder_) return;
  JsonLine j;
  j.add("t", static_cast<long long>(now)).add("ev", ev).add("at", address_text(endpoints_.all[in.endpoint].addr));
  recorder_->write(j.str());
}

std::vector<Datagram> Engine::receive(const Datagram& in, Millis now) {
  Outbox out;
  if (in.endpoint < 0 || in.endpoint >= static_cast<int>(endpoints_.all.size())) return {};
  const Endpoint& at = endpoints_.all[in.endpoint];
  w::ZORP_HEADER h;
  const bool valid = w::read_header(in.bytes.data(), in.bytes.size(), &h) && h.magic == w::ZORP_MAGIC &&
                     in.bytes.size() == h.bodyLength + w::ZORP_HEADER_SIZE;
  if (!valid) {
    record(in, now);
    return {};
  }
  const uint8_t* body = in.bytes.data() + w::ZORP_HEADER_SIZE;
  if (!is_relay(at.kind)) {
    record(in, now);
    servers_.handle(in, h.type, body, h.bodyLength, out);
    return out.take();
  }
  if (RelayLogic::isControl(h.type)) {
    record(in, now);
    if (const char* ev = relay_.control(in, h.type, body, h.bodyLength, out)) recordEvent(ev, in, now);
    return out.take();
  }
  if (config_.recordRelayed) record(in, now);
  if (!relay_.forward(in, now) && !config_.recordRelayed) record(in, now);  // strays are always recorded
  for (auto& d : relay_.takeDue(now)) out.send(std::move(d));
  return out.take();
}

}  // namespace rendezvous
