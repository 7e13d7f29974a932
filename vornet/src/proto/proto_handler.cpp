#include "proto/proto_handler.h"

#include <arpa/inet.h>

#include <cstring>
#include <mutex>

#include "core/library_state.h"
#include "proto/port_burst.h"
#include "wire/zorp_send.h"
#include "wire/zorp_wire.h"

namespace vornet {

namespace {

using namespace wire;

constexpr int kConfirmRepeats = 3;
constexpr unsigned kConfirmPauseMs = 10;
constexpr unsigned kRelayProbePauseMs = 100;
constexpr int kRelayHelloRepeats = 4;

class Dispatcher {
 public:
  Dispatcher(ZORP_Session& s, int index, const net::Received& rx, const uint8_t* body, ProtoEnv& env)
      : s_(s), index_(index), rx_(rx), body_(body), len_(rx.copied), env_(env) {}

  bool run();

 private:
  void out(const uint8_t* d, size_t n, const sockaddr_in& to) {
    if (!destination_refused(d[1], to)) env_.send(d, n, to);
  }
  void peer(uint8_t type, const sockaddr_in& to, uint8_t flag = 1) {
    uint8_t b[kSmallDatagram] = {};
    out(b, build_peer(b, type, s_.prefix, s_.tag, s_.id, flag), to);
  }
  bool matches(const PeerIdentity& who) const {
    return texts_equal(who.prefix, s_.prefix, 8) && texts_equal(who.id, s_.id, 64) && who.tag == s_.tag;
  }
  bool listener() const { return s_.role == 1; }

  void helloAck();
  void refreshLocal();
  void localFromSender();
  void lanNotify();
  void punchTo();
  void relayList();
  void relayAllocAck();
  void relayTo();
  bool relayReady();
  void confirm();
  bool link(uint8_t mode, uint8_t flag);

  ZORP_Session& s_;
  int index_;
  const net::Received& rx_;
  const uint8_t* body_;
  size_t len_;
  ProtoEnv& env_;
};

bool Dispatcher::run() {
  switch (rx_.type) {
    case ZORP_MSG_HELLO_ACK:
      helloAck();
      return false;
    case ZORP_MSG_DEV_REG_RESULT:
    case ZORP_MSG_DEV_REG_ACK: {
      int8_t code = 0;
      if (!read_result(body_, len_, &code)) return false;
      s_.listenState = code;
      if (code == 0) lib().lastRegistrationTime = env_.nowSeconds();
      refreshLocal();
      return false;
    }
    case ZORP_MSG_P2P_REQ_ACK: {
      int8_t code = 0;
      if (!read_result(body_, len_, &code)) return false;
      int8_t st = s_.connectState.load();
      if (st == 1 || st == -2) s_.connectState = code;
      refreshLocal();
      return false;
    }
    case ZORP_MSG_LAN_SEARCH:
      peer(ZORP_MSG_PUNCH, rx_.from);
      return false;
    case ZORP_MSG_LAN_NOTIFY:
      lanNotify();
      return false;
    case ZORP_MSG_PUNCH_TO:
      punchTo();
      return false;
    case ZORP_MSG_PUNCH: {
      const PeerBody pb = read_peer(body_, len_);
      if (!matches(pb.who)) return false;
      if (!listener()) {
        peer(ZORP_MSG_PUNCH, rx_.from);
        return false;
      }
      if (s_.connected.load()) return false;
      confirm();
      return link(0, pb.flag);
    }
    case ZORP_MSG_PUNCH_ACK: {
      const PeerBody pb = read_peer(body_, len_);
      return matches(pb.who) && link(0, pb.flag);
    }
    case ZORP_MSG_LAN_PUNCH: {
      const PeerBody pb = read_peer(body_, len_);
      if (!matches(pb.who)) return false;
      if (listener()) {
        peer(ZORP_MSG_LAN_PUNCH, rx_.from);
        return false;
      }
      if (s_.connected.load()) return false;
      confirm();
      return link(0, pb.flag);
    }
    case ZORP_MSG_RLY_LIST:
      relayList();
      return false;
    case ZORP_MSG_RLY_PROBE_ACK: {
      const uint8_t st = s_.relayState.load();
      if (st != kRelayQuerySent && st != kRelayListReceived) return false;
      s_.relayState = kRelayProbeAnswered;
      {
        std::lock_guard<std::recursive_mutex> lock(mainMutex());
        s_.relay = rx_.from;
      }
      uint8_t b[kSmallDatagram] = {};
      out(b, build_empty(b, ZORP_MSG_RLY_ALLOC), rx_.from);
      return false;
    }
    case ZORP_MSG_RLY_ALLOC_ACK:
      relayAllocAck();
      return false;
    case ZORP_MSG_RLY_REQ_ACK:
      if (s_.relayState.load() == kRelayRequestSent) {
        s_.relayState = kRelayRequestAccepted;
        s_.relayRetry = 1;
      }
      return false;
    case ZORP_MSG_RLY_TO:
      relayTo();
      return false;
    case ZORP_MSG_RLY_READY:
      return relayReady();
    default:
      return false;
  }
}

void Dispatcher::localFromSender() {
  char text[16] = {};
  env_.localAddressToward(rx_.from, text);
  set_local_address_text(text);
  const sockaddr_in local = net::address_from_text(text, ntohs(env_.boundPort()));
  std::lock_guard<std::recursive_mutex> lock(mainMutex());
  s_.local = local;
}

void Dispatcher::helloAck() {
  sockaddr_in seen{};
  if (len_ < kAddrBlockSize) return;
  seen = read_addr_block(body_);
  {
    std::lock_guard<std::recursive_mutex> lock(mainMutex());
    s_.publicAddr = seen;
  }
  localFromSender();
}

void Dispatcher::refreshLocal() {
  char text[16];
  copy_local_address_text(text);
  if (std::strncmp(text, "0.0", 3) == 0) localFromSender();
}

void Dispatcher::lanNotify() {
  LanNotifyBody n;
  if (!read_lan_notify(body_, len_, &n)) return;
  if (std::memcmp(n.idField, s_.id, sizeof(n.idField)) != 0) return;
  if (listener()) {
    peer(ZORP_MSG_PUNCH, rx_.from);
    return;
  }
  env_.icmpEcho(rx_.from, static_cast<uint16_t>(index_));
  peer(ZORP_MSG_LAN_PUNCH, rx_.from);
}

void Dispatcher::punchTo() {
  sockaddr_in target{};
  if (!read_punch_to(body_, len_, &target) || target.sin_addr.s_addr == 0) return;
  sockaddr_in ownPublic;
  {
    std::lock_guard<std::recursive_mutex> lock(mainMutex());
    ownPublic = s_.publicAddr;
  }
  const bool sameNat = target.sin_addr.s_addr == ownPublic.sin_addr.s_addr;
  for (uint16_t port : port_burst_ports(ntohs(target.sin_port), sameNat)) {
    sockaddr_in to = target;
    to.sin_port = htons(port);
    peer(ZORP_MSG_PUNCH, to);
  }
}

void Dispatcher::relayList() {
  const uint8_t st = s_.relayState.load();
  if (!(st == kRelayQuerySent || (st == kRelayListReceived && s_.relayRetry.load() != 0))) return;
  s_.relayState = kRelayListReceived;
  const RelayListBody list = read_relay_list(body_, len_);
  for (int i = 0; i < list.count; ++i) {
    if (s_.relayRetry.load() == 0) env_.sleepMs(kRelayProbePauseMs);
    uint8_t b[kSmallDatagram] = {};
    out(b, build_empty(b, ZORP_MSG_RLY_PROBE), list.relays[i]);
  }
}

void Dispatcher::relayAllocAck() {
  const uint8_t st = s_.relayState.load();
  if (st != kRelayQuerySent && st != kRelayListReceived && st != kRelayProbeAnswered) return;
  RelayAllocAckBody ack;
  if (!read_relay_alloc_ack(body_, len_, &ack)) return;
  s_.relayState = kRelayRequestSent;
  s_.relayTime = env_.tickMs();
  sockaddr_in relay;
  sockaddr_in servers[3];
  {
    std::lock_guard<std::recursive_mutex> lock(mainMutex());
    s_.relayTag = ack.relayTag;
    s_.relay.sin_port = htons(ack.relayPort);
    relay = s_.relay;
    std::memcpy(servers, s_.servers, sizeof(servers));
  }
  for (const sockaddr_in& server : servers) {
    if (server.sin_addr.s_addr == 0) continue;
    uint8_t b[kSmallDatagram] = {};
    out(b, build_relay_req(b, s_.prefix, s_.tag, s_.id, relay, ack.relayTag), server);
  }
}

void Dispatcher::relayTo() {
  RelayToBody to;
  if (!read_relay_to(body_, len_, &to)) return;
  uint8_t b[kSmallDatagram] = {};
  const size_t n = build_relay_hello(b, to.relayTag, s_.prefix, s_.tag, s_.id, s_.role);
  for (int i = 0; i < kRelayHelloRepeats; ++i) out(b, n, to.relay);
}

bool Dispatcher::relayReady() {
  if (env_.isRemoteOfLiveSlot(rx_.from)) return false;
  const PeerBody pb = read_peer(body_, len_);
  if (!matches(pb.who)) return false;
  s_.relayState = kRelayLinked;
  return link(1, pb.flag);
}

void Dispatcher::confirm() {
  peer(ZORP_MSG_PUNCH_ACK, rx_.from, 1);
  for (int i = 0; i < kConfirmRepeats; ++i) {
    env_.sleepMs(kConfirmPauseMs);
    peer(ZORP_MSG_PUNCH_ACK, rx_.from, 1);
  }
}

bool Dispatcher::link(uint8_t mode, uint8_t flag) {
  {
    std::lock_guard<std::recursive_mutex> lock(mainMutex());
    s_.remote = rx_.from;
    s_.startTime = static_cast<int32_t>(env_.nowSeconds());
    s_.linkMode = mode;
    s_.drwAlgorithm = flag;
  }
  s_.connectState = 0;
  s_.protoStop = 1;
  s_.connected = 1;
  return true;
}

}  // namespace

bool proto_dispatch(ZORP_Session& s, int index, const net::Received& rx, const uint8_t* body, ProtoEnv& env) {
  return Dispatcher(s, index, rx, body, env).run();
}

}  // namespace vornet
