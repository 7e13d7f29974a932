#include "relay_logic.h"

#include <arpa/inet.h>

#include <algorithm>

namespace rendezvous {

namespace w = vornet::wire;

bool RelayLogic::isControl(uint8_t type) {
  return type == w::ZORP_MSG_RLY_PROBE || type == w::ZORP_MSG_RLY_ALLOC || type == w::ZORP_MSG_RLY_HELLO ||
         type == w::ZORP_MSG_SESSION_DONE;
}

Allocation* RelayLogic::byTag(uint32_t tag) {
  for (auto& a : allocations_)
    if (a.tag == tag) return &a;
  return nullptr;
}

const char* RelayLogic::control(const Datagram& in, uint8_t type, const uint8_t* body, size_t len, Outbox& out) {
  uint8_t buf[w::kSmallDatagram] = {};
  switch (type) {
    case w::ZORP_MSG_RLY_PROBE:
      if (!config_.isMuted(Mute::RelayProbe))
        out.send(in.endpoint, in.peer, buf, w::build_empty(buf, w::ZORP_MSG_RLY_PROBE_ACK));
      return nullptr;
    case w::ZORP_MSG_RLY_ALLOC:
      if (!config_.isMuted(Mute::RelayAlloc)) allocate(in, out);
      return nullptr;
    case w::ZORP_MSG_RLY_HELLO:
      return config_.isMuted(Mute::RelayHello) ? nullptr : hello(in, body, len, out);
    case w::ZORP_MSG_SESSION_DONE: {
      const uint32_t tag = w::read_session_done(body, len).relayTag;
      const auto it = std::find_if(allocations_.begin(), allocations_.end(),
                                   [tag](const Allocation& a) { return a.tag == tag; });
      if (tag == 0 || it == allocations_.end()) return nullptr;
      allocations_.erase(it);
      return "relay-freed";
    }
    default:
      return nullptr;
  }
}

void RelayLogic::allocate(const Datagram& in, Outbox& out) {
  // A connector that asks again keeps its allocation.
  auto it = std::find_if(allocations_.begin(), allocations_.end(),
                         [&](const Allocation& a) { return same_address(a.connector, in.peer); });
  if (it == allocations_.end()) {
    if (allocations_.size() >= kMaxAllocations) return;
    Allocation a;
    a.tag = nextTag_++;
    a.connector = in.peer;
    if (endpoints_.relayAllocated.empty()) {
      a.endpoint = endpoints_.relay;
    } else {
      a.endpoint = endpoints_.relayAllocated[nextPort_++ % endpoints_.relayAllocated.size()];
    }
    allocations_.push_back(a);
    it = allocations_.end() - 1;
  }
  uint8_t buf[w::kSmallDatagram] = {};
  const uint16_t port = ntohs(endpoints_.all[it->endpoint].addr.sin_port);
  out.send(in.endpoint, in.peer, buf, w::build_relay_alloc_ack(buf, it->tag, port));
}

const char* RelayLogic::hello(const Datagram& in, const uint8_t* body, size_t len, Outbox& out) {
  const w::RelayHelloBody h = w::read_relay_hello(body, len);
  Allocation* a = byTag(h.relayTag);
  if (a == nullptr) return nullptr;
  if (h.role == 1) {
    a->listener = in.peer;
    a->haveListener = true;
    a->who = h.who;
  } else {
    a->connector = in.peer;
  }
  if (!a->haveListener) return nullptr;
  uint8_t buf[w::kSmallDatagram] = {};
  const size_t n = w::build_peer(buf, w::ZORP_MSG_RLY_READY, a->who.prefix, a->who.tag, a->who.id,
                                 config_.relayAlgorithm);
  out.send(a->endpoint, a->connector, buf, n);
  out.send(a->endpoint, a->listener, buf, n);
  const bool first = !a->ready;
  a->ready = true;
  return first ? "relay-ready" : nullptr;
}

bool RelayLogic::forward(const Datagram& in, Millis now) {
  for (const auto& a : allocations_) {
    if (!a.ready || a.endpoint != in.endpoint) continue;
    const bool fromConnector = same_address(in.peer, a.connector);
    if (!fromConnector && !same_address(in.peer, a.listener)) continue;
    Datagram d;
    d.endpoint = a.endpoint;
    d.peer = fromConnector ? a.listener : a.connector;
    d.bytes = in.bytes;
    path_.submit(std::move(d), now);
    return true;
  }
  return false;
}

}  // namespace rendezvous
