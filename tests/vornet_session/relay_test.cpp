// The simulated relay: query, probe, allocation, relay request passed on
// as RLY_TO, RLY_READY to both sides, forwarding and freeing.
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include "engine_harness.h"

namespace world_test {
namespace {

namespace w = vornet::wire;
using rendezvous::make_address;
using rendezvous::same_address;

const sockaddr_in kConnector = make_address("127.0.0.1", 23456);
const sockaddr_in kListener = make_address("127.0.0.1", 12001);

class RelayFlow : public ::testing::Test {
 protected:
  void start(std::vector<std::string> more = {}) {
    std::vector<std::string> sw = {"--servers", "127.0.0.1,127.0.0.2", "--relay", "127.0.0.1:60800"};
    sw.insert(sw.end(), more.begin(), more.end());
    h = std::make_unique<EngineHarness>(sw);
    uint8_t buf[w::kSmallDatagram];
    h->deliver(h->serverEndpoint(0), kListener, buf, w::build_dev_reg(buf, "vek", 0, "CAM1", 2, kListener));
  }

  std::vector<Sent> toRelay(int endpoint, const sockaddr_in& from, uint8_t type) {
    uint8_t buf[w::kSmallDatagram];
    return h->deliver(endpoint, from, buf, w::build_empty(buf, type));
  }

  // RLY_ALLOC from `connector`; the tag and the port it was given.
  std::pair<uint32_t, uint16_t> allocate(const sockaddr_in& connector) {
    const auto out = toRelay(h->relayEndpoint(), connector, w::ZORP_MSG_RLY_ALLOC);
    EXPECT_EQ(out.size(), 1u);
    if (out.empty()) return {0, 0};
    EXPECT_EQ(out[0].type, w::ZORP_MSG_RLY_ALLOC_ACK);
    EXPECT_TRUE(same_address(out[0].to, connector));
    w::RelayAllocAckBody ack;
    EXPECT_TRUE(w::read_relay_alloc_ack(out[0].body.data(), out[0].body.size(), &ack));
    return {ack.relayTag, ack.relayPort};
  }

  int endpointWithPort(uint16_t port) {
    for (size_t i = 0; i < h->engine().endpoints().size(); ++i)
      if (ntohs(h->engine().endpoints()[i].addr.sin_port) == port) return static_cast<int>(i);
    return -1;
  }

  std::vector<Sent> relayHello(int endpoint, uint32_t tag, const char* id = "CAM1") {
    uint8_t buf[w::kSmallDatagram];
    return h->deliver(endpoint, kListener, buf, w::build_relay_hello(buf, tag, "vek", 0, id, 1));
  }

  std::vector<Sent> drw(int endpoint, const sockaddr_in& from, uint16_t seq) {
    uint8_t buf[w::kDrwDatagram];
    const uint8_t data[3] = {1, 2, 3};
    return h->deliver(endpoint, from, buf, w::build_drw(buf, 0, seq, data, sizeof data));
  }

  std::unique_ptr<EngineHarness> h;
};

TEST_F(RelayFlow, QueryListsTheRelayAndProbeIsAnswered) {
  start();
  uint8_t buf[w::kSmallDatagram];
  const auto list = h->deliver(h->serverEndpoint(1), kConnector, buf, w::build_relay_query(buf, "vek", 0, "CAM1"));
  ASSERT_EQ(list.size(), 1u);
  ASSERT_EQ(list[0].type, w::ZORP_MSG_RLY_LIST);
  const w::RelayListBody relays = w::read_relay_list(list[0].body.data(), list[0].body.size());
  ASSERT_EQ(relays.count, 1);
  EXPECT_EQ(rendezvous::address_text(relays.relays[0]), "127.0.0.1:60800");

  const auto probe = toRelay(h->relayEndpoint(), kConnector, w::ZORP_MSG_RLY_PROBE);
  ASSERT_EQ(probe.size(), 1u);
  EXPECT_EQ(probe[0].type, w::ZORP_MSG_RLY_PROBE_ACK);
  EXPECT_EQ(probe[0].endpoint, h->relayEndpoint());
}

TEST_F(RelayFlow, RequestIsPassedToTheListenerAndReadyGoesToBoth) {
  for (int algorithm : {0, 1}) {
    SCOPED_TRACE("algorithm " + std::to_string(algorithm));
    start({"--relay-algorithm", std::to_string(algorithm)});
    const auto [tag, port] = allocate(kConnector);
    EXPECT_EQ(port, 60800);
    const sockaddr_in relay = make_address("127.0.0.1", port);

    uint8_t buf[w::kSmallDatagram];
    const auto req =
        h->deliver(h->serverEndpoint(1), kConnector, buf, w::build_relay_req(buf, "vek", 0, "CAM1", relay, tag));
    ASSERT_EQ(req.size(), 2u);
    EXPECT_EQ(req[0].type, w::ZORP_MSG_RLY_REQ_ACK);
    EXPECT_TRUE(same_address(req[0].to, kConnector));
    ASSERT_EQ(req[1].type, w::ZORP_MSG_RLY_TO);
    EXPECT_TRUE(same_address(req[1].to, kListener));
    w::RelayToBody to;
    ASSERT_TRUE(w::read_relay_to(req[1].body.data(), req[1].body.size(), &to));
    EXPECT_TRUE(same_address(to.relay, relay));
    EXPECT_EQ(to.relayTag, tag);

    EXPECT_TRUE(drw(h->relayEndpoint(), kConnector, 0).empty()) << "nothing is relayed before the pair is ready";
    const auto ready = relayHello(h->relayEndpoint(), tag);
    ASSERT_EQ(ready.size(), 2u);
    for (const auto& r : ready) {
      EXPECT_EQ(r.type, w::ZORP_MSG_RLY_READY);
      EXPECT_EQ(r.endpoint, h->relayEndpoint());
      const w::PeerBody body = w::read_peer(r.body.data(), r.body.size());
      EXPECT_STREQ(body.who.id, "CAM1");
      EXPECT_STREQ(body.who.prefix, "vek");
      EXPECT_EQ(body.flag, algorithm);
      EXPECT_EQ(r.body.size(), w::kPeerBodySize);
    }
    EXPECT_TRUE(same_address(ready[0].to, kConnector));
    EXPECT_TRUE(same_address(ready[1].to, kListener));

    const auto up = drw(h->relayEndpoint(), kConnector, 7);
    ASSERT_EQ(up.size(), 1u);
    EXPECT_TRUE(same_address(up[0].to, kListener));
    EXPECT_EQ(up[0].type, w::ZORP_MSG_DRW);
    const auto down = drw(h->relayEndpoint(), kListener, 8);
    ASSERT_EQ(down.size(), 1u);
    EXPECT_TRUE(same_address(down[0].to, kConnector));
  }
}

TEST_F(RelayFlow, RequestForAnUnregisteredIdIsNotAccepted) {
  start();
  uint8_t buf[w::kSmallDatagram];
  const sockaddr_in relay = make_address("127.0.0.1", 60800);
  EXPECT_TRUE(
      h->deliver(h->serverEndpoint(0), kConnector, buf, w::build_relay_req(buf, "vek", 0, "NOPE", relay, 9)).empty());
}

TEST_F(RelayFlow, SessionPortsAreGivenInTurnAndKeptPerConnector) {
  start({"--relay-ports", "2"});
  const sockaddr_in second = make_address("127.0.0.1", 23457);
  const sockaddr_in third = make_address("127.0.0.1", 23458);
  const auto a = allocate(kConnector);
  const auto b = allocate(second);
  const auto c = allocate(third);
  EXPECT_EQ(a.second, 60801);
  EXPECT_EQ(b.second, 60802);
  EXPECT_EQ(c.second, 60801);
  EXPECT_NE(a.first, b.first);
  EXPECT_NE(b.first, c.first);
  EXPECT_EQ(allocate(kConnector), a) << "asking again keeps the allocation";

  const int port = endpointWithPort(a.second);
  ASSERT_GE(port, 0);
  const auto ready = relayHello(port, a.first);
  ASSERT_EQ(ready.size(), 2u);
  EXPECT_EQ(ready[0].endpoint, port) << "READY comes from the session's own port";
  EXPECT_EQ(drw(port, kConnector, 1).size(), 1u);
  EXPECT_TRUE(drw(h->relayEndpoint(), kConnector, 2).empty()) << "traffic on another port is not this pair's";
}

TEST_F(RelayFlow, StrangersUnknownTagsAndFreedPairsAreNotRelayed) {
  start();
  const uint32_t tag = allocate(kConnector).first;
  EXPECT_TRUE(relayHello(h->relayEndpoint(), tag + 1).empty()) << "unknown tag";
  ASSERT_EQ(relayHello(h->relayEndpoint(), tag).size(), 2u);
  EXPECT_TRUE(drw(h->relayEndpoint(), make_address("127.0.0.9", 5000), 1).empty());

  uint8_t buf[w::kSmallDatagram];
  EXPECT_TRUE(h->deliver(h->relayEndpoint(), kConnector, buf, w::build_session_done(buf, tag, "vek", 0, "CAM1")).empty());
  EXPECT_TRUE(h->engine().relay().allocations().empty());
  EXPECT_TRUE(drw(h->relayEndpoint(), kConnector, 3).empty());
}

TEST(RelayAbsent, QueryListsNoRelay) {
  EngineHarness h({});
  uint8_t buf[w::kSmallDatagram];
  const auto list = h.deliver(h.serverEndpoint(0), kConnector, buf, w::build_relay_query(buf, "vek", 0, "CAM1"));
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].body.size(), 4u);
  EXPECT_EQ(list[0].body[0], 0);
}

TEST_F(RelayFlow, RelayedTrafficIsRecordedOnlyWhenAsked) {
  for (bool recordRelayed : {false, true}) {
    start(recordRelayed ? std::vector<std::string>{"--record-relayed"} : std::vector<std::string>{});
    relayHello(h->relayEndpoint(), allocate(kConnector).first);
    const size_t before = h->record().size();
    drw(h->relayEndpoint(), kConnector, 1);
    EXPECT_EQ(h->record().size() - before, recordRelayed ? 1u : 0u);
  }
}

TEST_F(RelayFlow, ImpairedPathDelaysRelayedTraffic) {
  start({"--delay", "40"});
  relayHello(h->relayEndpoint(), allocate(kConnector).first);
  uint8_t buf[w::kDrwDatagram];
  const uint8_t data[1] = {9};
  EXPECT_TRUE(h->deliver(h->relayEndpoint(), kConnector, buf, w::build_drw(buf, 0, 1, data, 1), 1000).empty());
  EXPECT_EQ(h->engine().nextDue().value_or(0), 1040u);
  EXPECT_TRUE(h->poll(1039).empty());
  EXPECT_EQ(h->poll(1040).size(), 1u);
}

}  // namespace
}  // namespace world_test
