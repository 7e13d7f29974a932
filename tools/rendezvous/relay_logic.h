// The relay: probe answers, allocations (tag and port), RLY_HELLO from the
// listener, RLY_READY to both sides (its flag byte chooses the peers'
// channel algorithm), then forwarding between the two through the
// impaired path. SESSION_DONE with the allocation's tag frees it.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "endpoints.h"
#include "impaired_path.h"
#include "outbox.h"
#include "rendezvous_config.h"
#include "wire/zorp_wire.h"

namespace rendezvous {

struct Allocation {
  uint32_t tag = 0;
  int endpoint = 0;         // where the pair's traffic goes
  sockaddr_in connector{};  // sender of RLY_ALLOC
  bool haveListener = false;
  sockaddr_in listener{};   // sender of RLY_HELLO with role 1
  vornet::wire::PeerIdentity who;
  bool ready = false;
};

class RelayLogic {
 public:
  static constexpr uint32_t kFirstTag = 0x52000001;
  static constexpr size_t kMaxAllocations = 1024;

  RelayLogic(const Config& c, const EndpointTable& endpoints)
      : config_(c), endpoints_(endpoints), path_(c.impairment) {}

  // True for the relay's own messages (answered here); other types are
  // traffic to forward.
  static bool isControl(uint8_t type);

  // A control message that arrived on a relay endpoint. Returns an event
  // name for the record ("relay-ready", "relay-freed") or null.
  const char* control(const Datagram& in, uint8_t type, const uint8_t* body, size_t len, Outbox& out);
  // Traffic: queued on the impaired path toward the other side when the
  // sender belongs to a ready pair on that endpoint; false when dropped.
  bool forward(const Datagram& in, Millis now);

  std::vector<Datagram> takeDue(Millis now) { return path_.takeDue(now); }
  std::optional<Millis> nextDue() const { return path_.nextDue(); }
  const PathCounters& counters() const { return path_.counters(); }
  const std::vector<Allocation>& allocations() const { return allocations_; }

 private:
  Allocation* byTag(uint32_t tag);
  void allocate(const Datagram& in, Outbox& out);
  const char* hello(const Datagram& in, const uint8_t* body, size_t len, Outbox& out);

  const Config& config_;
  const EndpointTable& endpoints_;
  ImpairedPath path_;
  std::vector<Allocation> allocations_;
  uint32_t nextTag_ = kFirstTag;
  size_t nextPort_ = 0;
};

}  // namespace rendezvous
