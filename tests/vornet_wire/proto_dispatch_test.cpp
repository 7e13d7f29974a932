// The protocol dispatch of a waiting session, datagram by datagram, with a
// recording environment in place of sockets and clocks.
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/library_state.h"
#include "proto/port_burst.h"
#include "proto/proto_handler.h"
#include "session/session.h"
#include "wire/zorp_wire.h"

#include "test_addresses.h"
using namespace vornet;
using namespace vornet::wire;

namespace {

struct Sent {
  std::vector<uint8_t> bytes;
  sockaddr_in to;
  uint8_t type() const { return bytes[1]; }
  uint16_t port() const { return ntohs(to.sin_port); }
};

class RecordingEnv : public ProtoEnv {
 public:
  void send(const uint8_t* d, size_t n, const sockaddr_in& to) override { sent.push_back({{d, d + n}, to}); }
  void icmpEcho(const sockaddr_in& to, uint16_t identifier) override {
    echoes.push_back(to);
    echoIds.push_back(identifier);
  }
  void sleepMs(unsigned ms) override { slept.push_back(ms); }
  void localAddressToward(const sockaddr_in&, char out[16]) override { std::strcpy(out, "192.168.1.23"); }
  uint16_t boundPort() override { return htons(23456); }
  uint32_t tickMs() override { return 777; }
  int64_t nowSeconds() override { return 1700000000; }
  bool isRemoteOfLiveSlot(const sockaddr_in& from) override {
    return liveRemote.sin_port != 0 && from.sin_addr.s_addr == liveRemote.sin_addr.s_addr &&
           from.sin_port == liveRemote.sin_port;
  }

  std::vector<Sent> sent;
  std::vector<sockaddr_in> echoes;
  std::vector<uint16_t> echoIds;
  std::vector<unsigned> slept;
  sockaddr_in liveRemote{};
};

class ProtoDispatch : public ::testing::Test {
 protected:
  void SetUp() override {
    set_local_address_text("0.0.0.0");
    session_clear(s);
    std::strcpy(s.prefix, "vek");
    std::strcpy(s.id, "VEK-000123-ABCDE");
    s.servers[0] = ipv4("127.0.0.1", 60722);
    s.servers[2] = ipv4("127.0.0.3", 60722);
  }

  bool deliver(const uint8_t* datagram, size_t len, const sockaddr_in& from) {
    net::Received rx;
    rx.type = datagram[1];
    rx.bodyLength = static_cast<uint16_t>(len - 4);
    rx.copied = len - 4;
    rx.from = from;
    return proto_dispatch(s, kIndex, rx, datagram + 4, env);
  }
  bool deliverPeer(uint8_t type, const char* id, const sockaddr_in& from, uint8_t flag = 1, size_t bodyLen = 88,
                   uint32_t tag = 0) {
    uint8_t b[kSmallDatagram] = {};
    build_peer(b, type, "vek", tag, id, flag);
    return deliver(b, 4 + bodyLen, from);
  }
  std::vector<uint8_t> typesSent() const {
    std::vector<uint8_t> t;
    for (const Sent& x : env.sent) t.push_back(x.type());
    return t;
  }

  static constexpr int kIndex = 5;
  ZORP_Session s;
  RecordingEnv env;
  const sockaddr_in peer = ipv4("192.168.1.24", 31000);
  const char* id = "VEK-000123-ABCDE";
};

TEST_F(ProtoDispatch, ListenerConfirmsAndLinksOnFirstMatchingPunch) {
  s.role = 1;
  EXPECT_TRUE(deliverPeer(ZORP_MSG_PUNCH, id, peer, 1));
  EXPECT_EQ(typesSent(), (std::vector<uint8_t>(4, ZORP_MSG_PUNCH_ACK)));
  for (const Sent& x : env.sent) {
    EXPECT_EQ(x.port(), 31000);
    EXPECT_EQ(x.bytes[4 + 76], 1);  // flag 1
  }
  EXPECT_EQ(env.slept, (std::vector<unsigned>{10, 10, 10}));
  EXPECT_EQ(s.connected.load(), 1);
  EXPECT_EQ(s.protoStop.load(), 1);
  EXPECT_EQ(s.connectState.load(), 0);
  EXPECT_EQ(s.linkMode, 0);
  EXPECT_EQ(s.drwAlgorithm, 1);
  EXPECT_EQ(s.remote.sin_port, peer.sin_port);
  EXPECT_EQ(s.startTime, 1700000000);
}

TEST_F(ProtoDispatch, PeerMessagesMustMatchExactly) {
  s.role = 1;
  EXPECT_FALSE(deliverPeer(ZORP_MSG_PUNCH, "vek-000123-abcde", peer));  // id differs in case
  EXPECT_FALSE(deliverPeer(ZORP_MSG_PUNCH, "VEK-000123-ABCD", peer));   // shorter id
  EXPECT_FALSE(deliverPeer(ZORP_MSG_PUNCH, id, peer, 1, 88, 7));        // another tag
  EXPECT_FALSE(deliverPeer(ZORP_MSG_RLY_READY, "OTHER", peer));
  EXPECT_TRUE(env.sent.empty());
  EXPECT_EQ(s.connected.load(), 0);
}

// Prefix and id are matched on their whole 8 and 64 bytes: a field that
// runs on past the session's text without a terminator is another name.
TEST_F(ProtoDispatch, FieldsRunningPastTheSessionTextDoNotMatch) {
  const std::string longId(63, 'Q');
  const struct {
    const char* name;
    const char* prefix;
    size_t extraAt;  // body offset given a non-NUL byte, 0 for none
    bool links;
  } rows[] = {
      {"whole fields equal", "vekvekv", 0, true},
      {"id field's 64th byte set", "vekvekv", 12 + 63, false},
      {"prefix field's 8th byte set", "vekvekv", 7, false},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    SetUp();
    s.role = 0;
    std::strcpy(s.prefix, r.prefix);
    std::strcpy(s.id, longId.c_str());
    uint8_t b[kSmallDatagram] = {};
    const size_t n = build_peer(b, ZORP_MSG_PUNCH_ACK, r.prefix, 0, longId.c_str(), 1);
    if (r.extraAt != 0) b[4 + r.extraAt] = 'X';
    EXPECT_EQ(deliver(b, n, peer), r.links);
    EXPECT_EQ(s.connected.load(), r.links ? 1 : 0);
  }
}

TEST_F(ProtoDispatch, ShortPunchLinksWithAlgorithmZero) {
  s.role = 1;
  EXPECT_TRUE(deliverPeer(ZORP_MSG_PUNCH, id, peer, 1, 76));
  EXPECT_EQ(s.drwAlgorithm, 0);
}

TEST_F(ProtoDispatch, WhoLinksOnWhat) {
  const struct {
    const char* name;
    uint8_t role;
    uint8_t type;
    bool links;
    std::vector<uint8_t> answers;
  } rows[] = {
      {"connector answers a punch", 0, ZORP_MSG_PUNCH, false, {ZORP_MSG_PUNCH}},
      {"connector links on punch ack", 0, ZORP_MSG_PUNCH_ACK, true, {}},
      {"listener links on punch ack", 1, ZORP_MSG_PUNCH_ACK, true, {}},
      {"listener answers a lan punch", 1, ZORP_MSG_LAN_PUNCH, false, {ZORP_MSG_LAN_PUNCH}},
      {"connector confirms a lan punch", 0, ZORP_MSG_LAN_PUNCH, true, std::vector<uint8_t>(4, ZORP_MSG_PUNCH_ACK)},
      {"lan search answered by listener", 1, ZORP_MSG_LAN_SEARCH, false, {ZORP_MSG_PUNCH}},
      {"lan search answered by connector", 0, ZORP_MSG_LAN_SEARCH, false, {ZORP_MSG_PUNCH}},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    SetUp();
    env.sent.clear();
    s.role = r.role;
    EXPECT_EQ(deliverPeer(r.type, id, peer), r.links);
    EXPECT_EQ(s.connected.load(), r.links ? 1 : 0);
    EXPECT_EQ(typesSent(), r.answers);
  }
}

TEST_F(ProtoDispatch, LanNotifyComparesTheWholeIdFieldOnly) {
  uint8_t b[kSmallDatagram] = {};
  const size_t n = build_lan_notify(b, "other", 99, id);  // prefix and tag are not compared
  s.role = 0;
  EXPECT_FALSE(deliver(b, n, peer));
  EXPECT_EQ(typesSent(), (std::vector<uint8_t>{ZORP_MSG_LAN_PUNCH}));
  ASSERT_EQ(env.echoIds.size(), 1u);
  EXPECT_EQ(env.echoIds[0], kIndex);

  env.sent.clear();
  s.role = 1;
  EXPECT_FALSE(deliver(b, n, peer));
  EXPECT_EQ(typesSent(), (std::vector<uint8_t>{ZORP_MSG_PUNCH}));

  env.sent.clear();
  uint8_t longer[kSmallDatagram] = {};
  std::memcpy(longer, b, n);
  longer[3] = 81;  // 81-byte body: ignored
  EXPECT_FALSE(deliver(longer, n + 1, peer));
  build_lan_notify(b, "vek", 0, "VEK-000123-ABCDEF");
  EXPECT_FALSE(deliver(b, n, peer));
  EXPECT_TRUE(env.sent.empty());
}

TEST(PortBurst, RangesAtTheEdgesAndBehindTheSameNat) {
  std::vector<uint16_t> two = {2};
  for (int r = 0; r < 3; ++r)
    for (uint16_t p = 0; p <= 5; ++p) two.push_back(p);
  EXPECT_EQ(port_burst_ports(2, false), two);
  std::vector<uint16_t> top = {65534};
  for (int r = 0; r < 3; ++r)
    for (int p = 65531; p <= 65535; ++p) top.push_back(static_cast<uint16_t>(p));
  EXPECT_EQ(port_burst_ports(65534, false), top);
  EXPECT_EQ(port_burst_ports(40000, false).size(), 22u);
  EXPECT_EQ(port_burst_ports(40000, true), (std::vector<uint16_t>(4, 40000)));
}

TEST_F(ProtoDispatch, PunchToBurstsPunchesAtThePeer) {
  uint8_t b[kSmallDatagram] = {};
  s.publicAddr = ipv4("203.0.113.5", 1000);
  EXPECT_FALSE(deliver(b, build_punch_to(b, ipv4("198.51.100.9", 2)), s.servers[0]));
  ASSERT_EQ(env.sent.size(), 19u);
  for (const Sent& x : env.sent) {
    EXPECT_EQ(x.type(), ZORP_MSG_PUNCH);
    EXPECT_EQ(x.to.sin_addr.s_addr, inet_addr("198.51.100.9"));
  }
  env.sent.clear();
  EXPECT_FALSE(deliver(b, build_punch_to(b, ipv4("203.0.113.5", 5000)), s.servers[0]));  // same NAT
  ASSERT_EQ(env.sent.size(), 4u);
  for (const Sent& x : env.sent) EXPECT_EQ(x.port(), 5000);
  env.sent.clear();
  EXPECT_FALSE(deliver(b, build_punch_to(b, ipv4("0.0.0.0", 5000)), s.servers[0]));
  EXPECT_TRUE(env.sent.empty());
}

TEST_F(ProtoDispatch, ServerResultCodes) {
  uint8_t b[kSmallDatagram] = {};
  s.connectState = 0;
  deliver(b, build_result(b, ZORP_MSG_P2P_REQ_ACK, -1), s.servers[0]);  // late answer
  EXPECT_EQ(s.connectState.load(), 0);
  s.connectState = 1;
  deliver(b, build_result(b, ZORP_MSG_P2P_REQ_ACK, -3), s.servers[0]);
  EXPECT_EQ(s.connectState.load(), -3);
  s.connectState = -2;
  deliver(b, build_result(b, ZORP_MSG_P2P_REQ_ACK, 0), s.servers[0]);
  EXPECT_EQ(s.connectState.load(), 0);

  lib().lastRegistrationTime = 0;
  deliver(b, build_result(b, ZORP_MSG_DEV_REG_RESULT, -2), s.servers[0]);
  EXPECT_EQ(s.listenState.load(), -2);
  EXPECT_EQ(lib().lastRegistrationTime.load(), 0);
  deliver(b, build_result(b, ZORP_MSG_DEV_REG_ACK, 0), s.servers[0]);
  EXPECT_EQ(s.listenState.load(), 0);
  EXPECT_EQ(lib().lastRegistrationTime.load(), 1700000000);
  // The local address was still unknown: it is taken toward the server.
  EXPECT_EQ(s.local.sin_addr.s_addr, inet_addr("192.168.1.23"));
  EXPECT_EQ(s.local.sin_port, htons(23456));
  EXPECT_TRUE(env.sent.empty());
}

TEST_F(ProtoDispatch, HelloAckSetsPublicAndLocal) {
  uint8_t b[kSmallDatagram] = {};
  deliver(b, build_hello_ack(b, ipv4("203.0.113.5", 40000)), s.servers[0]);
  EXPECT_EQ(s.publicAddr.sin_addr.s_addr, inet_addr("203.0.113.5"));
  EXPECT_EQ(s.publicAddr.sin_port, htons(40000));
  EXPECT_EQ(s.local.sin_addr.s_addr, inet_addr("192.168.1.23"));
  char text[16];
  copy_local_address_text(text);
  EXPECT_STREQ(text, "192.168.1.23");
}

TEST_F(ProtoDispatch, RelayChainFromListToAcceptedRequest) {
  uint8_t b[kSmallDatagram] = {};
  const sockaddr_in relays[2] = {ipv4("10.0.0.7", 8000), ipv4("10.0.0.8", 8000)};
  // A list while no query is out is ignored.
  deliver(b, build_relay_list(b, relays, 2), s.servers[0]);
  EXPECT_TRUE(env.sent.empty());

  s.relayState = kRelayQuerySent;
  s.relayRetry = 0;  // first list: probes 100 ms apart
  deliver(b, build_relay_list(b, relays, 2), s.servers[0]);
  EXPECT_EQ(s.relayState.load(), kRelayListReceived);
  EXPECT_EQ(typesSent(), (std::vector<uint8_t>{ZORP_MSG_RLY_PROBE, ZORP_MSG_RLY_PROBE}));
  EXPECT_EQ(env.slept, (std::vector<unsigned>{100, 100}));
  // A second list is taken only with relayRetry set.
  env.sent.clear();
  deliver(b, build_relay_list(b, relays, 2), s.servers[0]);
  EXPECT_TRUE(env.sent.empty());

  deliver(b, build_empty(b, ZORP_MSG_RLY_PROBE_ACK), relays[1]);
  EXPECT_EQ(s.relayState.load(), kRelayProbeAnswered);
  EXPECT_EQ(s.relay.sin_addr.s_addr, relays[1].sin_addr.s_addr);
  EXPECT_EQ(typesSent(), (std::vector<uint8_t>{ZORP_MSG_RLY_ALLOC}));

  env.sent.clear();
  deliver(b, build_relay_alloc_ack(b, 0xCAFEBABE, 9000), relays[1]);
  EXPECT_EQ(s.relayState.load(), kRelayRequestSent);
  EXPECT_EQ(s.relayTag, 0xCAFEBABEu);
  EXPECT_EQ(s.relay.sin_port, htons(9000));
  EXPECT_EQ(s.relayTime.load(), 777u);
  ASSERT_EQ(env.sent.size(), 2u);  // servers 0 and 2; place 1 is empty
  const RelayReqBody req = read_relay_req(env.sent[0].bytes.data() + 4, env.sent[0].bytes.size() - 4);
  EXPECT_EQ(req.relay.sin_addr.s_addr, relays[1].sin_addr.s_addr);
  EXPECT_EQ(req.relay.sin_port, htons(9000));
  EXPECT_EQ(req.relayTag, 0xCAFEBABEu);

  deliver(b, build_empty(b, ZORP_MSG_RLY_REQ_ACK), s.servers[0]);
  EXPECT_EQ(s.relayState.load(), kRelayRequestAccepted);
  EXPECT_EQ(s.relayRetry.load(), 1);
}

// Every relay the list carries is probed, up to what its count byte says.
TEST_F(ProtoDispatch, RelayListProbesEveryListedRelay) {
  std::vector<sockaddr_in> relays;
  for (int i = 0; i < 40; ++i) relays.push_back(ipv4("10.0.1.1", static_cast<uint16_t>(8000 + i)));
  const struct {
    uint8_t countByte;
    size_t carried;
    size_t probes;
  } rows[] = {{40, 40, 40}, {20, 40, 20}, {40, 25, 25}, {0x80, 40, 0}};
  for (const auto& r : rows) {
    SCOPED_TRACE(static_cast<int>(r.countByte));
    SetUp();
    env.sent.clear();
    s.relayState = kRelayQuerySent;
    s.relayRetry = 1;
    uint8_t b[kDrwDatagram] = {};
    const size_t n = build_relay_list(b, relays.data(), static_cast<uint8_t>(r.carried));
    b[4] = r.countByte;
    deliver(b, n, s.servers[0]);
    ASSERT_EQ(env.sent.size(), r.probes);
    for (size_t i = 0; i < r.probes; ++i) {
      EXPECT_EQ(env.sent[i].type(), ZORP_MSG_RLY_PROBE);
      EXPECT_EQ(env.sent[i].port(), 8000 + i);
    }
    EXPECT_TRUE(env.slept.empty());  // relayRetry set: no pauses
  }
}

TEST_F(ProtoDispatch, RelayToSendsFourHellosWithTheRole) {
  uint8_t b[kSmallDatagram] = {};
  s.role = 1;
  deliver(b, build_relay_to(b, ipv4("10.0.0.7", 8001), 0x11223344), s.servers[0]);
  ASSERT_EQ(env.sent.size(), 4u);
  for (const Sent& x : env.sent) {
    EXPECT_EQ(x.type(), ZORP_MSG_RLY_HELLO);
    EXPECT_EQ(x.port(), 8001);
    const RelayHelloBody h = read_relay_hello(x.bytes.data() + 4, x.bytes.size() - 4);
    EXPECT_EQ(h.relayTag, 0x11223344u);
    EXPECT_EQ(h.role, 1);
  }
  EXPECT_EQ(s.relay.sin_addr.s_addr, 0u);  // the session's relay field is not changed
}

TEST_F(ProtoDispatch, RelayReadyLinksUnlessAnotherSlotUsesThatRemote) {
  const sockaddr_in relay = ipv4("10.0.0.7", 9000);
  env.liveRemote = relay;
  EXPECT_FALSE(deliverPeer(ZORP_MSG_RLY_READY, id, relay));
  EXPECT_EQ(s.connected.load(), 0);
  env.liveRemote = sockaddr_in{};
  EXPECT_TRUE(deliverPeer(ZORP_MSG_RLY_READY, id, relay, 1));
  EXPECT_EQ(s.linkMode, 1);
  EXPECT_EQ(s.relayState.load(), kRelayLinked);
  EXPECT_EQ(s.remote.sin_port, relay.sin_port);
  EXPECT_EQ(s.drwAlgorithm, 1);
}

TEST_F(ProtoDispatch, UnknownAndServerOnlyTypesAreIgnored) {
  uint8_t b[kSmallDatagram] = {};
  for (uint8_t type : {ZORP_MSG_HELLO, ZORP_MSG_DEV_REG, ZORP_MSG_P2P_REQ, ZORP_MSG_DRW, ZORP_MSG_CLOSE,
                       static_cast<uint8_t>(0x99)}) {
    EXPECT_FALSE(deliver(b, build_empty(b, type), peer));
  }
  EXPECT_TRUE(env.sent.empty());
  EXPECT_EQ(s.connected.load(), 0);
}

}  // namespace
