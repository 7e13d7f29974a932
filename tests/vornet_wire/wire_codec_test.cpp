// Every datagram builder against literal bytes laid out as the message
// tables give them, and every reader on those same bytes.
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "wire/zorp_send.h"
#include "wire/zorp_wire.h"

#include "test_addresses.h"
using namespace vornet::wire;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes hex(const std::string& s) {
  Bytes out;
  std::string digits;
  for (char c : s)
    if (c != ' ') digits += c;
  for (size_t i = 0; i + 1 < digits.size(); i += 2) out.push_back(static_cast<uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
  return out;
}

Bytes text(const std::string& s) { return Bytes(s.begin(), s.end()); }

struct Field {
  size_t offset;
  Bytes bytes;
};

// Header + a zeroed body of bodyLen with the given fields laid in.
Bytes datagram(uint8_t type, size_t bodyLen, const std::vector<Field>& fields) {
  Bytes out(4 + bodyLen, 0);
  out[0] = 0xF1;
  out[1] = type;
  out[2] = static_cast<uint8_t>(bodyLen >> 8);
  out[3] = static_cast<uint8_t>(bodyLen);
  for (const Field& f : fields) std::memcpy(out.data() + 4 + f.offset, f.bytes.data(), f.bytes.size());
  return out;
}

bool same(const sockaddr_in& a, const sockaddr_in& b) {
  return a.sin_family == b.sin_family && a.sin_port == b.sin_port && a.sin_addr.s_addr == b.sin_addr.s_addr;
}

const char* kId = "VEK-000123-ABCDE";
const uint32_t kTag = 0x01020304;
const sockaddr_in kLocal = ipv4("192.168.1.23", 12345);  // block: 00 02 | 39 30 | 17 01 A8 C0
const sockaddr_in kRelay = ipv4("10.0.0.7", 8080);       // block: 00 02 | 90 1F | 07 00 00 0A
const Bytes kLocalBlock = hex("0002 3930 1701A8C0");
const Bytes kRelayBlock = hex("0002 901F 0700000A");
const Bytes kTagBytes = hex("01020304");

struct Case {
  const char* name;
  std::function<size_t(uint8_t*)> build;
  Bytes expected;
  std::function<void(const uint8_t* body, size_t len)> read;
};

void expectIdentity(const PeerIdentity& who) {
  EXPECT_STREQ(who.prefix, "vek");
  EXPECT_EQ(who.tag, kTag);
  EXPECT_STREQ(who.id, kId);
}

std::vector<Case> cases() {
  const std::vector<Field> identity = {{0, text("vek")}, {8, kTagBytes}, {12, text(kId)}};
  auto with = [&](std::vector<Field> extra) {
    std::vector<Field> all = identity;
    all.insert(all.end(), extra.begin(), extra.end());
    return all;
  };
  std::vector<Case> c;
  c.push_back({"hello", [](uint8_t* b) { return build_empty(b, ZORP_MSG_HELLO); }, hex("F1 00 0000"), nullptr});
  c.push_back({"hello_ack 1.2.3.4:60722",
               [](uint8_t* b) { return build_hello_ack(b, ipv4("1.2.3.4", 60722)); },
               hex("F1 01 0010  0002 32ED 04030201 0000000000000000"),
               [](const uint8_t* body, size_t len) {
                 sockaddr_in seen{};
                 ASSERT_TRUE(read_hello_ack(body, len, &seen));
                 EXPECT_TRUE(same(seen, ipv4("1.2.3.4", 60722)));
               }});
  c.push_back({"dev_reg_result -3", [](uint8_t* b) { return build_result(b, ZORP_MSG_DEV_REG_RESULT, -3); },
               datagram(ZORP_MSG_DEV_REG_RESULT, 4, {{0, hex("FD")}}),
               [](const uint8_t* body, size_t len) {
                 int8_t code = 0;
                 ASSERT_TRUE(read_result(body, len, &code));
                 EXPECT_EQ(code, -3);
               }});
  c.push_back({"dev_reg",
               [](uint8_t* b) { return build_dev_reg(b, "vek", kTag, kId, 3, kLocal); },
               datagram(ZORP_MSG_DEV_REG, 100, with({{76, hex("03")}, {77, hex("030009")}, {80, kLocalBlock}})),
               [](const uint8_t* body, size_t len) {
                 const DevRegBody r = read_dev_reg(body, len);
                 expectIdentity(r.who);
                 EXPECT_EQ(r.natType, 3);
                 EXPECT_EQ(Bytes(r.version, r.version + 3), hex("030009"));
                 EXPECT_TRUE(same(r.local, kLocal));
               }});
  c.push_back({"p2p_req",
               [](uint8_t* b) { return build_p2p_req(b, "vek", kTag, kId, 1, kLocal); },
               datagram(ZORP_MSG_P2P_REQ, 92, with({{72, hex("01")}, {76, kLocalBlock}})),
               [](const uint8_t* body, size_t len) {
                 const P2PReqBody r = read_p2p_req(body, len);
                 expectIdentity(r.who);
                 EXPECT_EQ(r.loopFlag, 1);
                 EXPECT_TRUE(same(r.local, kLocal));
               }});
  c.push_back({"p2p_req_ack 0", [](uint8_t* b) { return build_result(b, ZORP_MSG_P2P_REQ_ACK, 0); },
               datagram(ZORP_MSG_P2P_REQ_ACK, 4, {}), nullptr});
  c.push_back({"lan_search", [](uint8_t* b) { return build_empty(b, ZORP_MSG_LAN_SEARCH); }, hex("F1 30 0000"),
               nullptr});
  c.push_back({"lan_notify (tag least significant byte first)",
               [](uint8_t* b) { return build_lan_notify(b, "vek", kTag, kId); },
               datagram(ZORP_MSG_LAN_NOTIFY, 80, {{0, text("vek")}, {8, hex("04030201")}, {12, hex("01")}, {16, text(kId)}}),
               [](const uint8_t* body, size_t len) {
                 LanNotifyBody n;
                 ASSERT_TRUE(read_lan_notify(body, len, &n));
                 EXPECT_STREQ(n.prefix, "vek");
                 EXPECT_EQ(n.tag, kTag);
                 EXPECT_EQ(n.one, 1);
                 EXPECT_EQ(std::string(reinterpret_cast<const char*>(n.idField)), kId);
               }});
  c.push_back({"punch_to", [](uint8_t* b) { return build_punch_to(b, kLocal); },
               datagram(ZORP_MSG_PUNCH_TO, 16, {{0, kLocalBlock}}),
               [](const uint8_t* body, size_t len) {
                 sockaddr_in p{};
                 ASSERT_TRUE(read_punch_to(body, len, &p));
                 EXPECT_TRUE(same(p, kLocal));
               }});
  for (uint8_t type : {ZORP_MSG_PUNCH, ZORP_MSG_PUNCH_ACK, ZORP_MSG_LAN_PUNCH, ZORP_MSG_RLY_READY}) {
    c.push_back({"peer body", [type](uint8_t* b) { return build_peer(b, type, "vek", kTag, kId, 1); },
                 datagram(type, 88, with({{76, hex("01")}})),
                 [](const uint8_t* body, size_t len) {
                   const PeerBody p = read_peer(body, len);
                   expectIdentity(p.who);
                   EXPECT_EQ(p.flag, 1);
                 }});
  }
  c.push_back({"rly_query", [](uint8_t* b) { return build_relay_query(b, "vek", kTag, kId); },
               datagram(ZORP_MSG_RLY_QUERY, 76, identity),
               [](const uint8_t* body, size_t len) { expectIdentity(read_identity(body, len)); }});
  c.push_back({"rly_list of two",
               [](uint8_t* b) {
                 const sockaddr_in relays[2] = {kLocal, kRelay};
                 return build_relay_list(b, relays, 2);
               },
               datagram(ZORP_MSG_RLY_LIST, 36, {{0, hex("02")}, {4, kLocalBlock}, {20, kRelayBlock}}),
               [](const uint8_t* body, size_t len) {
                 const RelayListBody l = read_relay_list(body, len);
                 ASSERT_EQ(l.count, 2);
                 EXPECT_TRUE(same(l.relays[0], kLocal));
                 EXPECT_TRUE(same(l.relays[1], kRelay));
               }});
  for (uint8_t type : {ZORP_MSG_RLY_PROBE, ZORP_MSG_RLY_ALLOC, ZORP_MSG_ALIVE, ZORP_MSG_ALIVE_ACK, ZORP_MSG_CLOSE}) {
    c.push_back({"empty body", [type](uint8_t* b) { return build_empty(b, type); }, datagram(type, 0, {}), nullptr});
  }
  c.push_back({"rly_alloc_ack", [](uint8_t* b) { return build_relay_alloc_ack(b, 0xCAFEBABE, 8080); },
               datagram(ZORP_MSG_RLY_ALLOC_ACK, 8, {{0, hex("CAFEBABE 1F90")}}),
               [](const uint8_t* body, size_t len) {
                 RelayAllocAckBody a;
                 ASSERT_TRUE(read_relay_alloc_ack(body, len, &a));
                 EXPECT_EQ(a.relayTag, 0xCAFEBABEu);
                 EXPECT_EQ(a.relayPort, 8080);
               }});
  c.push_back({"session_done", [](uint8_t* b) { return build_session_done(b, 0xA1B2C3D4, "vek", kTag, kId); },
               datagram(ZORP_MSG_SESSION_DONE, 84, {{0, hex("A1B2C3D4")}, {8, text("vek")}, {16, kTagBytes}, {20, text(kId)}}),
               [](const uint8_t* body, size_t len) {
                 const SessionDoneBody d = read_session_done(body, len);
                 EXPECT_EQ(d.relayTag, 0xA1B2C3D4u);
                 expectIdentity(d.who);
               }});
  c.push_back({"rly_req", [](uint8_t* b) { return build_relay_req(b, "vek", kTag, kId, kRelay, 0x0BADF00D); },
               datagram(ZORP_MSG_RLY_REQ, 96, with({{76, kRelayBlock}, {92, hex("0BADF00D")}})),
               [](const uint8_t* body, size_t len) {
                 const RelayReqBody r = read_relay_req(body, len);
                 expectIdentity(r.who);
                 EXPECT_TRUE(same(r.relay, kRelay));
                 EXPECT_EQ(r.relayTag, 0x0BADF00Du);
               }});
  c.push_back({"rly_to", [](uint8_t* b) { return build_relay_to(b, kRelay, 0x11223344); },
               datagram(ZORP_MSG_RLY_TO, 20, {{0, kRelayBlock}, {16, hex("11223344")}}),
               [](const uint8_t* body, size_t len) {
                 RelayToBody t;
                 ASSERT_TRUE(read_relay_to(body, len, &t));
                 EXPECT_TRUE(same(t.relay, kRelay));
                 EXPECT_EQ(t.relayTag, 0x11223344u);
               }});
  c.push_back({"rly_hello", [](uint8_t* b) { return build_relay_hello(b, 0x11223344, "vek", kTag, kId, 1); },
               datagram(ZORP_MSG_RLY_HELLO, 84,
                        {{0, hex("11223344")}, {4, text("vek")}, {12, kTagBytes}, {16, text(kId)}, {80, hex("0101")}}),
               [](const uint8_t* body, size_t len) {
                 const RelayHelloBody h = read_relay_hello(body, len);
                 EXPECT_EQ(h.relayTag, 0x11223344u);
                 expectIdentity(h.who);
                 EXPECT_EQ(h.role, 1);
                 EXPECT_EQ(h.one, 1);
               }});
  c.push_back({"drw", [](uint8_t* b) { return build_drw(b, 2, 0x1234, reinterpret_cast<const uint8_t*>("ABC"), 3); },
               hex("F1 D0 0007 D1 02 1234 414243"),
               [](const uint8_t* body, size_t len) {
                 DrwView v;
                 ASSERT_TRUE(read_drw(body, len, &v));
                 EXPECT_EQ(v.channel, 2);
                 EXPECT_EQ(v.sequence, 0x1234);
                 EXPECT_EQ(std::string(reinterpret_cast<const char*>(v.data), v.length), "ABC");
               }});
  c.push_back({"drw_ack of two",
               [](uint8_t* b) {
                 const uint16_t seqs[2] = {0xFFFF, 0x0001};
                 return build_drw_ack(b, 3, seqs, 2);
               },
               hex("F1 D1 0008 D1 03 0002 FFFF 0001"),
               [](const uint8_t* body, size_t len) {
                 DrwAckView v;
                 ASSERT_TRUE(read_drw_ack(body, len, &v));
                 EXPECT_EQ(v.channel, 3);
                 ASSERT_EQ(v.count, 2);
                 EXPECT_EQ(v.sequence(0), 0xFFFF);
                 EXPECT_EQ(v.sequence(1), 0x0001);
               }});
  return c;
}

TEST(WireCodec, BuildersGiveTheTableBytesAndReadersReadThemBack) {
  for (const Case& c : cases()) {
    SCOPED_TRACE(c.name);
    uint8_t buf[kDrwDatagram];
    std::memset(buf, 0xAA, sizeof(buf));  // builders must not rely on a zeroed buffer
    const size_t n = c.build(buf);
    ASSERT_EQ(Bytes(buf, buf + n), c.expected);
    ZORP_HEADER h;
    ASSERT_TRUE(read_header(c.expected.data(), c.expected.size(), &h));
    EXPECT_EQ(h.magic, ZORP_MAGIC);
    EXPECT_EQ(h.bodyLength + 4u, c.expected.size());
    if (c.read) c.read(c.expected.data() + 4, c.expected.size() - 4);
  }
}

TEST(WireCodec, BodySizesOfTheFixedMessages) {
  uint8_t b[kSmallDatagram];
  const struct {
    const char* name;
    size_t body;
    size_t built;
  } sizes[] = {
      {"dev_reg", 100, build_dev_reg(b, "vek", 0, kId, 0, kLocal)},
      {"p2p_req", 92, build_p2p_req(b, "vek", 0, kId, 0, kLocal)},
      {"punch", 88, build_peer(b, ZORP_MSG_PUNCH, "vek", 0, kId, 1)},
      {"session_done", 84, build_session_done(b, 0, "vek", 0, kId)},
      {"rly_hello", 84, build_relay_hello(b, 0, "vek", 0, kId, 1)},
      {"rly_req", 96, build_relay_req(b, "vek", 0, kId, kRelay, 0)},
      {"lan_notify", 80, build_lan_notify(b, "vek", 0, kId)},
      {"rly_query", 76, build_relay_query(b, "vek", 0, kId)},
      {"rly_to", 20, build_relay_to(b, kRelay, 0)},
      {"rly_alloc_ack", 8, build_relay_alloc_ack(b, 0, 0)},
  };
  for (const auto& s : sizes) EXPECT_EQ(s.built, s.body + 4) << s.name;
}

TEST(WireCodec, AckWithEightyTwoSequencesIs172BytesAndCountIsCapped) {
  uint16_t seqs[100];
  for (uint16_t i = 0; i < 100; ++i) seqs[i] = i;
  uint8_t b[kDrwDatagram];
  EXPECT_EQ(build_drw_ack(b, 0, seqs, 82), 172u);
  EXPECT_EQ(get_u16(b + 2), 168);
  EXPECT_EQ(build_drw_ack(b, 0, seqs, 100), 172u);  // never more than one list holds
  EXPECT_EQ(get_u16(b + 6), 82);
}

TEST(WireCodec, TextFieldsKeepOneByteForTheTerminator) {
  const std::string longId(80, 'x');
  uint8_t b[kSmallDatagram];
  build_peer(b, ZORP_MSG_PUNCH, "prefix-too-long", 0, longId.c_str(), 1);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(b + 4), 7), "prefix-");
  EXPECT_EQ(b[4 + 7], 0);
  EXPECT_EQ(std::strlen(reinterpret_cast<char*>(b + 4 + 12)), 63u);
  EXPECT_EQ(b[4 + 12 + 63], 0);
  build_p2p_req(b, "vek", 0, longId.c_str(), 0, kLocal);
  EXPECT_EQ(std::strlen(reinterpret_cast<char*>(b + 4 + 12)), 59u);  // 60-byte id field
  EXPECT_EQ(b[4 + 72], 0);
}

TEST(WireCodec, ReadersStayInsideShortOrHostileBodies) {
  // A 76-byte peer body has no flag byte: flag 0, identity intact.
  uint8_t full[kSmallDatagram];
  build_peer(full, ZORP_MSG_PUNCH, "vek", kTag, kId, 1);
  const PeerBody shortBody = read_peer(full + 4, 76);
  EXPECT_EQ(shortBody.flag, 0);
  expectIdentity(shortBody.who);
  // Fields without a terminator are read whole and bounded.
  uint8_t raw[88];
  std::memset(raw, 'A', sizeof(raw));
  EXPECT_EQ(std::strlen(read_peer(raw, sizeof(raw)).who.id), 64u);
  EXPECT_EQ(std::strlen(read_peer(raw, sizeof(raw)).who.prefix), 8u);
  EXPECT_EQ(std::strlen(read_p2p_req(raw, sizeof(raw)).who.id), 60u);
  // SESSION_DONE keeps at most 7 and 63 characters of such fields.
  const SessionDoneBody done = read_session_done(raw, sizeof(raw));
  EXPECT_EQ(std::string(done.who.prefix), std::string(7, 'A'));
  EXPECT_EQ(std::string(done.who.id), std::string(63, 'A'));
  EXPECT_EQ(done.who.tag, 0x41414141u);
  // LAN_NOTIFY must be exactly 80 bytes.
  uint8_t n[kSmallDatagram];
  build_lan_notify(n, "vek", 0, kId);
  LanNotifyBody out;
  EXPECT_FALSE(read_lan_notify(n + 4, 81, &out));
  EXPECT_FALSE(read_lan_notify(n + 4, 79, &out));
  EXPECT_TRUE(read_lan_notify(n + 4, 80, &out));
  // A relay list announcing more relays than it carries, or a negative count.
  const uint8_t list[] = {5, 0, 0, 0, 0, 2, 0x39, 0x30, 0x17, 0x01, 0xA8, 0xC0, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(read_relay_list(list, sizeof(list)).count, 1);
  const uint8_t negative[] = {0xFF, 0, 0, 0};
  EXPECT_EQ(read_relay_list(negative, sizeof(negative)).count, 0);
  // An acknowledgement whose count exceeds its body exposes only what it holds.
  const uint8_t ack[] = {0xD1, 0, 0, 50, 0, 7};
  DrwAckView v;
  ASSERT_TRUE(read_drw_ack(ack, sizeof(ack), &v));
  EXPECT_EQ(v.count, 50);
  EXPECT_EQ(v.available, 1u);
  EXPECT_EQ(v.sequence(0), 7);
  EXPECT_EQ(v.sequence(1), 0);
  // Wrong marker or too short.
  const uint8_t badMarker[] = {0xD0, 0, 0, 0, 1};
  DrwView d;
  EXPECT_FALSE(read_drw(badMarker, sizeof(badMarker), &d));
  EXPECT_FALSE(read_drw(ack, 3, &d));
  sockaddr_in a{};
  EXPECT_FALSE(read_hello_ack(full, 15, &a));
  EXPECT_FALSE(read_hello_ack(full, 17, &a));
}

}  // namespace

namespace {

TEST(SendRules, ServerMessagesNeverGoToAnyOrAllOnesAddresses) {
  const sockaddr_in any = ipv4("0.0.0.0", 60722);
  const sockaddr_in allOnes = ipv4("255.255.255.255", 60722);
  const sockaddr_in server = ipv4("127.0.0.1", 60722);
  const struct {
    uint8_t type;
    bool refusesAny;
    bool refusesAllOnes;
  } rows[] = {
      // toward a server
      {ZORP_MSG_HELLO, true, true},
      {ZORP_MSG_DEV_REG, true, true},
      {ZORP_MSG_P2P_REQ, true, true},
      {ZORP_MSG_RLY_QUERY, true, true},
      {ZORP_MSG_RLY_REQ, true, true},
      {ZORP_MSG_SESSION_DONE, true, true},
      // toward a peer or relay
      {ZORP_MSG_PUNCH, true, false},
      {ZORP_MSG_PUNCH_ACK, true, false},
      {ZORP_MSG_LAN_PUNCH, true, false},
      {ZORP_MSG_RLY_PROBE, true, false},
      {ZORP_MSG_RLY_HELLO, true, false},
      // sent wherever they are told (the listener's announce is a broadcast)
      {ZORP_MSG_LAN_NOTIFY, false, false},
      {ZORP_MSG_LAN_SEARCH, false, false},
      {ZORP_MSG_RLY_ALLOC, false, false},
      {ZORP_MSG_DRW, false, false},
      {ZORP_MSG_ALIVE, false, false},
      {ZORP_MSG_CLOSE, false, false},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(static_cast<int>(r.type));
    EXPECT_EQ(destination_refused(r.type, any), r.refusesAny);
    EXPECT_EQ(destination_refused(r.type, allOnes), r.refusesAllOnes);
    EXPECT_FALSE(destination_refused(r.type, server));
  }
  // The helpers apply the rule before touching the socket.
  EXPECT_EQ(send_hello(-1, allOnes), -1);
  EXPECT_EQ(send_session_done(-1, any, 0, "vek", 0, "X"), -1);
}

}  // namespace
