// The protocol dispatch of a waiting session fed a sequence of datagrams
// from a few senders (servers, the peer, a relay), each through the same
// header check as the protocol thread's receive; the sequence ends where the
// thread would end, when the session links.
//
// Input: one byte of session state, then records of
//   [sender byte][u16 length][datagram bytes].
#include <arpa/inet.h>

#include <cstring>
#include <vector>

#include "core/library_state.h"
#include "fuzz_bytes.h"
#include "fuzz_check.h"
#include "net/datagram_check.h"
#include "net/zorp_socket.h"
#include "proto/proto_handler.h"
#include "session/session.h"
#include "wire/zorp_wire.h"

using namespace vornet;

namespace {

constexpr int kMaxDatagrams = 64;
constexpr int kIndex = 5;

// The senders a waiting session hears from.
const sockaddr_in kSenders[] = {
    net::address_from_text("127.0.0.1", 60722),  // server 1
    net::address_from_text("127.0.0.3", 60722),  // server 3
    net::address_from_text("192.168.1.24", 23456),  // the peer on the LAN
    net::address_from_text("10.0.0.1", 40000),  // the peer's public address
    net::address_from_text("10.0.0.2", 50000),  // a relay
    net::address_from_text("10.0.0.2", 50001),  // a live slot's remote
    net::address_from_text("0.0.0.0", 0),               // nowhere
    net::address_from_text("255.255.255.255", 65535),
};
constexpr size_t kSenderCount = sizeof(kSenders) / sizeof(kSenders[0]);

class CountingEnv : public ProtoEnv {
 public:
  void send(const uint8_t* d, size_t n, const sockaddr_in&) override {
    wire::ZORP_HEADER h;
    FUZZ_CHECK(wire::read_header(d, n, &h) && h.magic == wire::ZORP_MAGIC);
    FUZZ_CHECK(size_t(h.bodyLength) + 4 == n && n <= wire::kDrwDatagram);
    ++sent;
  }
  void icmpEcho(const sockaddr_in&, uint16_t identifier) override {
    FUZZ_CHECK(identifier == kIndex);
    ++echoes;
  }
  void sleepMs(unsigned ms) override { slept += ms; }
  void localAddressToward(const sockaddr_in&, char out[16]) override { std::strcpy(out, "192.168.1.23"); }
  uint16_t boundPort() override { return htons(23456); }
  uint32_t tickMs() override { return 777; }
  int64_t nowSeconds() override { return 1700000000; }
  bool isRemoteOfLiveSlot(const sockaddr_in& from) override {
    return from.sin_addr.s_addr == kSenders[5].sin_addr.s_addr && from.sin_port == kSenders[5].sin_port;
  }

  int sent = 0;
  int echoes = 0;
  unsigned slept = 0;
};

const uint8_t kRelayStates[] = {kRelayNone,         kRelayLinked,          kRelayQuerySent,
                                kRelayListReceived, kRelayProbeAnswered,   kRelayRequestSent,
                                kRelayRequestAccepted, 7};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzsupport::FuzzBytes in(data, size);
  static ZORP_Session s;
  session_clear(s);
  std::strcpy(s.prefix, "vek");
  std::strcpy(s.id, "VEK-000123-ABCDE");
  s.servers[0] = kSenders[0];
  s.servers[2] = kSenders[1];
  const uint8_t state = in.byte();
  s.role = state & 1;
  s.relayState = kRelayStates[(state >> 1) & 7];
  s.relayRetry = (state >> 4) & 1;
  s.connectState = int8_t((state >> 5) & 1 ? -2 : 1);
  if (state & 0x40) s.publicAddr = kSenders[3];
  set_local_address_text(state & 0x80 ? "192.168.1.23" : "0.0.0.0");

  CountingEnv env;
  bool linked = false;
  for (int i = 0; i < kMaxDatagrams && !in.empty() && !linked; ++i) {
    const sockaddr_in from = kSenders[in.byte() % kSenderCount];
    const std::vector<uint8_t> datagram = in.run(wire::kReceiveMax);
    std::vector<uint8_t> body(wire::kProtoBodyCapacity);
    net::Received rx;
    const int r = net::check_datagram(datagram.data(), datagram.size(), datagram.size(), body.data(),
                                      body.size(), &rx);
    if (r != net::kRecvOk) continue;  // the thread goes back to receiving
    rx.from = from;
    body.resize(rx.copied);
    const int sentBefore = env.sent;
    linked = proto_dispatch(s, kIndex, rx, body.data(), env);
    // One datagram answers with at most the 22 datagrams of a port burst
    // (or one probe per listed relay).
    FUZZ_CHECK(env.sent - sentBefore <= wire::kMaxRelaysInList && env.sent - sentBefore >= 0);
  }
  if (linked) {
    FUZZ_CHECK(s.connected.load() == 1 && s.protoStop.load() == 1 && s.connectState.load() == 0);
    FUZZ_CHECK(s.linkMode == 0 || s.linkMode == 1);
    FUZZ_CHECK(s.linkMode == 0 || s.relayState.load() == kRelayLinked);
  }
  return 0;
}
