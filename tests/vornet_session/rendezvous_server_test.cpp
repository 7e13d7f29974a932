// The simulated rendezvous servers: HELLO shaped by the NAT mode,
// registrations and P2P requests with scripted codes, muting, record lines.
#include <arpa/inet.h>
#include <cjson/cJSON.h>
#include <gtest/gtest.h>

#include <memory>

#include "engine_harness.h"

namespace world_test {
namespace {

namespace w = vornet::wire;
using rendezvous::make_address;

const sockaddr_in kClient = make_address("127.0.0.1", 23456);
const sockaddr_in kListener = make_address("127.0.0.1", 12001);
const std::vector<std::string> kThreeServers = {"--servers", "127.0.0.1,127.0.0.2,127.0.0.3"};

std::vector<std::string> with(std::vector<std::string> base, const std::vector<std::string>& more) {
  base.insert(base.end(), more.begin(), more.end());
  return base;
}

std::vector<Sent> hello(EngineHarness& h, int server, const sockaddr_in& from = kClient) {
  uint8_t buf[w::kSmallDatagram];
  return h.deliver(h.serverEndpoint(server), from, buf, w::build_empty(buf, w::ZORP_MSG_HELLO));
}

std::vector<Sent> reg(EngineHarness& h, int server, const char* id, const sockaddr_in& from = kListener,
                      uint8_t nat = 2) {
  uint8_t buf[w::kSmallDatagram];
  const sockaddr_in local = make_address("127.0.0.1", ntohs(from.sin_port));
  return h.deliver(h.serverEndpoint(server), from, buf, w::build_dev_reg(buf, "vek", 0, id, nat, local));
}

std::vector<Sent> p2p(EngineHarness& h, int server, const char* id, const sockaddr_in& from = kClient) {
  uint8_t buf[w::kSmallDatagram];
  return h.deliver(h.serverEndpoint(server), from, buf, w::build_p2p_req(buf, "vek", 0, id, 0, from));
}

sockaddr_in reported(const Sent& ack) {
  sockaddr_in a{};
  EXPECT_TRUE(w::read_hello_ack(ack.body.data(), ack.body.size(), &a));
  return a;
}

int8_t code_of(const Sent& s) {
  int8_t c = 99;
  EXPECT_TRUE(w::read_result(s.body.data(), s.body.size(), &c));
  return c;
}

TEST(RendezvousHello, AnswerCarriesTheSeenAddressInTheBlockLayout) {
  EngineHarness h({});
  const auto out = hello(h, 0, make_address("1.2.3.4", 60722));
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].type, w::ZORP_MSG_HELLO_ACK);
  const std::vector<uint8_t> expected = {0x00, 0x02, 0x32, 0xED, 0x04, 0x03, 0x02, 0x01, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(out[0].body, expected);
  EXPECT_EQ(out[0].endpoint, h.serverEndpoint(0));
}

// What each of three servers answers a HELLO from kClient with, per NAT mode.
struct HelloCase {
  int nat;
  bool answers[3];
  const char* reportedAddress[3];
  uint16_t reportedPort[3];
  uint16_t fromPort;  // source port of the answers
};

TEST(RendezvousHello, NatModesShapeTheAnswers) {
  const HelloCase cases[] = {
      {0, {true, false, false}, {"127.0.0.1", "", ""}, {23456, 0, 0}, 60722},
      {1, {true, true, true}, {"127.0.0.1", "127.0.0.1", "127.0.0.1"}, {23456, 23456, 23456}, 60723},
      {2, {true, true, true}, {"127.0.0.1", "127.0.0.1", "127.0.0.1"}, {23456, 23456, 23456}, 60722},
      {3, {true, true, true}, {"127.0.0.1", "127.0.0.1", "127.0.0.1"}, {23456, 23457, 23458}, 60722},
      {4, {true, true, true}, {"127.0.0.1", "203.0.113.1", "203.0.113.2"}, {23456, 23456, 23456}, 60722},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("nat " + std::to_string(c.nat));
    EngineHarness h(with(kThreeServers, {"--nat", std::to_string(c.nat)}));
    for (int s = 0; s < 3; ++s) {
      const auto out = hello(h, s);
      ASSERT_EQ(out.size(), c.answers[s] ? 1u : 0u) << "server " << s;
      if (!c.answers[s]) continue;
      const sockaddr_in got = reported(out[0]);
      EXPECT_EQ(rendezvous::address_text(got),
                std::string(c.reportedAddress[s]) + ":" + std::to_string(c.reportedPort[s]));
      const sockaddr_in from = h.endpointAddress(out[0].endpoint);
      EXPECT_EQ(from.sin_addr.s_addr, h.endpointAddress(h.serverEndpoint(s)).sin_addr.s_addr);
      EXPECT_EQ(ntohs(from.sin_port), c.fromPort);
      EXPECT_TRUE(rendezvous::same_address(out[0].to, kClient));
    }
  }
}

struct RegCase {
  std::vector<std::string> switches;
  const char* id;
  uint8_t replyType;
  int8_t code;
};

TEST(RendezvousRegistration, ScriptedCodesPerIdAndReplyType) {
  const RegCase cases[] = {
      {{}, "CAM1", w::ZORP_MSG_DEV_REG_RESULT, 0},
      {{"--reg-code", "-5"}, "CAM1", w::ZORP_MSG_DEV_REG_RESULT, -5},
      {{"--reg-code", "-2", "--reg-code", "CAM2=0"}, "CAM2", w::ZORP_MSG_DEV_REG_RESULT, 0},
      {{"--reg-code", "-2", "--reg-code", "CAM2=0"}, "CAM1", w::ZORP_MSG_DEV_REG_RESULT, -2},
      {{"--reg-reply", "ack", "--reg-code", "CAM1=-3"}, "CAM1", w::ZORP_MSG_DEV_REG_ACK, -3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    EngineHarness h(c.switches);
    const auto out = reg(h, 0, c.id);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].type, c.replyType);
    EXPECT_EQ(code_of(out[0]), c.code);
    EXPECT_TRUE(rendezvous::same_address(out[0].to, kListener));
    EXPECT_EQ(h.engine().servers().registrations().count(c.id), c.code == 0 ? 1u : 0u);
  }
}

TEST(RendezvousP2P, AcceptedRequestPunchesBothSidesFromTheAskedServer) {
  EngineHarness h(kThreeServers);
  reg(h, 0, "CAM1");
  const auto out = p2p(h, 1, "CAM1");
  ASSERT_EQ(out.size(), 3u);
  for (const auto& s : out) EXPECT_EQ(s.endpoint, h.serverEndpoint(1));
  EXPECT_EQ(out[0].type, w::ZORP_MSG_P2P_REQ_ACK);
  EXPECT_EQ(code_of(out[0]), 0);
  sockaddr_in peer{};
  ASSERT_EQ(out[1].type, w::ZORP_MSG_PUNCH_TO);
  EXPECT_TRUE(rendezvous::same_address(out[1].to, kClient));
  ASSERT_TRUE(w::read_punch_to(out[1].body.data(), out[1].body.size(), &peer));
  EXPECT_TRUE(rendezvous::same_address(peer, kListener));
  ASSERT_EQ(out[2].type, w::ZORP_MSG_PUNCH_TO);
  EXPECT_TRUE(rendezvous::same_address(out[2].to, kListener));
  ASSERT_TRUE(w::read_punch_to(out[2].body.data(), out[2].body.size(), &peer));
  EXPECT_TRUE(rendezvous::same_address(peer, kClient));
}

struct P2PCase {
  std::vector<std::string> switches;
  bool registered;
  int8_t code;
  size_t punches;
};

TEST(RendezvousP2P, ScriptedCodes) {
  const P2PCase cases[] = {
      {{}, false, -2, 0},
      {{"--p2p-code", "-1"}, true, -1, 0},
      {{"--p2p-code", "CAM1=-3"}, true, -3, 0},
      {{"--p2p-code", "-3", "--p2p-code", "CAM1=0"}, true, 0, 2},
      {{"--p2p-code", "0"}, false, 0, 0},  // accepted, but nobody to punch toward
      {{"--reg-code", "-3"}, true, -2, 0}, // a refused registration does not count
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.switches));
    EngineHarness h(c.switches);
    if (c.registered) reg(h, 0, "CAM1");
    const auto out = p2p(h, 0, "CAM1");
    ASSERT_GE(out.size(), 1u);
    EXPECT_EQ(code_of(out[0]), c.code);
    EXPECT_EQ(of_type(out, w::ZORP_MSG_PUNCH_TO).size(), c.punches);
  }
}

struct MuteCase {
  const char* group;
  uint8_t type;
};

TEST(RendezvousMute, MutedGroupsAreRecordedButNotAnswered) {
  const MuteCase cases[] = {
      {"hello", w::ZORP_MSG_HELLO}, {"reg", w::ZORP_MSG_DEV_REG}, {"p2p", w::ZORP_MSG_P2P_REQ},
      {"query", w::ZORP_MSG_RLY_QUERY}, {"all", w::ZORP_MSG_HELLO}, {"all", w::ZORP_MSG_DEV_REG},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.group) + " " + rendezvous::message_name(c.type));
    EngineHarness h({"--mute", c.group, "--p2p-code", "0"});
    uint8_t buf[w::kSmallDatagram];
    size_t n = 0;
    switch (c.type) {
      case w::ZORP_MSG_DEV_REG: n = w::build_dev_reg(buf, "vek", 0, "CAM1", 0, kListener); break;
      case w::ZORP_MSG_P2P_REQ: n = w::build_p2p_req(buf, "vek", 0, "CAM1", 0, kClient); break;
      case w::ZORP_MSG_RLY_QUERY: n = w::build_relay_query(buf, "vek", 0, "CAM1"); break;
      default: n = w::build_empty(buf, c.type);
    }
    EXPECT_TRUE(h.deliver(h.serverEndpoint(0), kClient, buf, n).empty());
    ASSERT_EQ(h.record().size(), 1u);
    EXPECT_NE(h.record()[0].find("\"name\":\"" + rendezvous::message_name(c.type) + "\""), std::string::npos);
  }
}

using Json = std::unique_ptr<cJSON, decltype(&cJSON_Delete)>;
Json parse(const std::string& line) { return Json(cJSON_Parse(line.c_str()), cJSON_Delete); }
std::string text(const Json& j, const char* key) {
  const cJSON* v = cJSON_GetObjectItemCaseSensitive(j.get(), key);
  return cJSON_IsString(v) ? v->valuestring : std::string("<missing>");
}
double number(const Json& j, const char* key) {
  const cJSON* v = cJSON_GetObjectItemCaseSensitive(j.get(), key);
  return cJSON_IsNumber(v) ? v->valuedouble : -999;
}

TEST(RendezvousRecord, RegistrationLineCarriesItsFields) {
  EngineHarness h({});
  reg(h, 0, "CAM-7", kListener, 3);
  ASSERT_EQ(h.record().size(), 1u);
  const Json j = parse(h.record()[0]);
  ASSERT_TRUE(j) << h.record()[0];
  EXPECT_EQ(text(j, "name"), "DEV_REG");
  EXPECT_EQ(number(j, "type"), 0x12);
  EXPECT_EQ(number(j, "len"), 100);
  EXPECT_EQ(text(j, "id"), "CAM-7");
  EXPECT_EQ(text(j, "prefix"), "vek");
  EXPECT_EQ(number(j, "nat"), 3);
  EXPECT_EQ(text(j, "version"), "3.0.9");
  EXPECT_EQ(text(j, "local"), "127.0.0.1:12001");
  EXPECT_EQ(text(j, "from"), "127.0.0.1:12001");
  EXPECT_EQ(text(j, "at"), "127.0.0.1:60722");
  EXPECT_EQ(text(j, "role"), "server");
}

struct BadCase {
  std::vector<uint8_t> bytes;
  const char* bad;
};

TEST(RendezvousRecord, MalformedDatagramsAreRecordedAndDropped) {
  const BadCase cases[] = {
      {{0xF1, 0x00, 0x00}, "short"},                   // shorter than a header
      {{0xF0, 0x00, 0x00, 0x00}, "magic"},             // wrong magic
      {{0xF1, 0x00, 0x00, 0x05, 1, 2}, "length"},      // length field says 5, 2 came
      {{0xF1, 0x12, 0x00, 0x00, 0xAA}, "length"},      // one byte more than announced
  };
  for (const auto& c : cases) {
    EngineHarness h({});
    EXPECT_TRUE(h.deliver(h.serverEndpoint(0), kClient, c.bytes.data(), c.bytes.size()).empty());
    ASSERT_EQ(h.record().size(), 1u);
    const Json j = parse(h.record()[0]);
    ASSERT_TRUE(j);
    EXPECT_EQ(text(j, "bad"), c.bad);
    EXPECT_EQ(number(j, "size"), static_cast<double>(c.bytes.size()));
  }
}

TEST(RendezvousRecord, HostileIdTextStaysValidJson) {
  EngineHarness h({});
  const char id[] = "a\"b\\c\x01\x7f\xc3";
  reg(h, 0, id);
  const Json j = parse(h.record().at(0));
  ASSERT_TRUE(j) << h.record()[0];
  EXPECT_EQ(text(j, "id").substr(0, 5), "a\"b\\c");
  EXPECT_EQ(text(j, "id").substr(5, 2), "\x01\x7f");
}

}  // namespace
}  // namespace world_test
