// The three ways a connector links to the listening device (a separate
// process): over the LAN, punched through the simulated servers, and
// through the simulated relay; the session record of both ends and data
// echoed back over channel 0.
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <future>
#include <set>
#include <thread>

#include "Vornet.h"
#include "raw_peer.h"
#include "session_world.h"
#include "tick_log.h"
#include "udp_port.h"
#include "wire/zorp_wire.h"

namespace world_test {
namespace {

const std::string kServers = "127.0.0.1,127.0.0.2,127.0.0.3";

std::string port_of(const std::string& addressText) { return addressText.substr(addressText.rfind(':') + 1); }

// Sends `data` on channel 0 (unframed) and reads until as many bytes came
// back or the time is up.
std::string echo(int session, const std::string& data, int timeoutMs) {
  for (size_t at = 0; at < data.size(); at += 4096) {
    const int n = static_cast<int>(std::min<size_t>(4096, data.size() - at));
    if (KV_Send(session, data.data() + at, n, 127) != n) return "<send failed>";
  }
  std::string back;
  const Stopwatch sw;
  std::vector<char> buf(8192);
  while (back.size() < data.size() && sw.ms() < timeoutMs) {
    int len = static_cast<int>(buf.size());
    const int r = KV_Recv2(session, buf.data(), &len, 100);
    if (r == 0) back.append(buf.data(), static_cast<size_t>(len));
    else if (r != KV_ERR_TIMEOUT) return back + "<read error " + std::to_string(r) + ">";
  }
  return back;
}

std::string pattern(size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 131 + i / 977) & 0xFF);
  return s;
}

class SessionLinks : public SessionWorld {
 protected:
  // The connector's own record, checked for what every link has in common.
  KV_SessionInfo connectorInfo(int h, const char* id) {
    KV_SessionInfo info{};
    EXPECT_EQ(KV_CheckSessionInfo(h, &info), 0);
    EXPECT_GT(info.socket, 0);
    EXPECT_EQ(info.role, 0);
    EXPECT_GE(info.secondsLinked, 0);
    EXPECT_LE(info.secondsLinked, 60);
    EXPECT_STREQ(info.id, id);
    EXPECT_NE(info.local.sin_port, 0);
    EXPECT_EQ(info.publicAddr.sin_port, info.local.sin_port) << "both carry the bound port";
    return info;
  }

  // Starts a device that has announced itself already: it sends HELLO to
  // a hand-played server right after its one announce, so a connect made
  // afterwards can only find it by its own search.
  void startQuietDevice(const std::string& id) {
    RawPeer server("127.0.0.1", 60722);
    ASSERT_TRUE(server.ok());
    startDevice({"--id", id, "--no-detect", "--servers", "127.0.0.1"});
    ASSERT_TRUE(server.awaitCount(vornet::wire::ZORP_MSG_HELLO, 1, 60000)) << "the device did not start its listen";
  }

  // The device's report of its side.
  JsonEntry listenerReport(const char* id) {
    JsonEntry linked;
    EXPECT_TRUE(deviceEvent("linked", &linked, 60000)) << "the device did not report its link";
    EXPECT_EQ(linked.n("info"), 0);
    EXPECT_EQ(linked.n("role"), 1);
    EXPECT_EQ(linked.s("id"), id);
    return linked;
  }
};

TEST_F(SessionLinks, LanConnectFindsTheDeviceWithoutServers) {
  startDevice({"--id", "CAMLAN1", "--no-detect", "--echo"});
  ASSERT_EQ(KV_SetServInfo("CAMLAN1", ""), 0);
  // Counted on the connect's own ticks (10 ms each, 1,200 in its attempt loop).
  const TickLog ticks;
  const TickLog::Watch watch("connect");
  const int h = KV_Connect("CAMLAN1", 0, 15, KV_CONNECT_LAN, "127.0.0.1");
  ASSERT_GE(h, 0) << "LAN connect failed";
  EXPECT_LT(ticks.of("connect").size(), 1000u) << "found only late in its attempt loop";
  const KV_SessionInfo info = connectorInfo(h, "CAMLAN1");
  EXPECT_EQ(info.linkMode, 0);
  const JsonEntry dev = listenerReport("CAMLAN1");
  EXPECT_EQ(dev.n("linkMode"), 0);
  EXPECT_EQ(text_of(&info.remote), "127.0.0.1:" + port_of(dev.s("local"))) << "we reach the device's session socket";
  EXPECT_EQ(port_of(dev.s("remote")), std::to_string(ntohs(info.local.sin_port)));
  const std::string data = pattern(3000);
  EXPECT_EQ(echo(h, data, 5000), data);
  EXPECT_EQ(KV_Close(h), 0);
}

// Flags 3 with an empty lanAddr: the LAN search goes as a directed
// broadcast from every adapter (here the veth pair 192.168.1.23/24 and .24).
TEST_F(SessionLinks, LanSearchByBroadcastFindsTheDevice) {
  startQuietDevice("CAMBCAST");
  ASSERT_EQ(KV_SetServInfo("CAMBCAST", ""), 0);
  const int h = KV_Connect("CAMBCAST", 0, 15, KV_CONNECT_LAN | KV_CONNECT_P2P, "");
  ASSERT_GE(h, 0) << "the broadcast LAN search found nobody";
  const KV_SessionInfo info = connectorInfo(h, "CAMBCAST");
  EXPECT_EQ(info.linkMode, 0);
  EXPECT_EQ(text_of(&info.remote).substr(0, 10), "192.168.1.") << "found through a veth adapter";
  listenerReport("CAMBCAST");
}

// A connector already waiting hears the device's announce when it starts
// listening (LAN_NOTIFY to 255.255.255.255:32106) and links by LAN_PUNCH,
// with no LAN search and no servers.
TEST_F(SessionLinks, WaitingConnectorLinksOnTheDevicesAnnounce) {
  ASSERT_EQ(KV_SetServInfo("CAMANNC", ""), 0);
  auto connecting = std::async(std::launch::async, [] {
    return KV_Connect("CAMANNC", 0, 15, KV_CONNECT_P2P | KV_CONNECT_ALT_LOOP, nullptr);
  });
  ASSERT_TRUE(testsupport::waitForOwnUdpPort(32106, 60000)) << "the connector's announce socket never opened";
  startDevice({"--id", "CAMANNC", "--no-detect"});
  ASSERT_EQ(connecting.wait_for(std::chrono::seconds(3)), std::future_status::ready) << "the announce went unheard";
  const int h = connecting.get();
  ASSERT_GE(h, 0);
  const KV_SessionInfo info = connectorInfo(h, "CAMANNC");
  EXPECT_EQ(info.linkMode, 0);
  const JsonEntry dev = listenerReport("CAMANNC");
  EXPECT_EQ(port_of(text_of(&info.remote)), port_of(dev.s("local")));
}

// KV_CONNECT_MULTICAST: the connector announces itself on 239.0.0.200:32107,
// where the listening device's announce socket hears it and punches back.
TEST_F(SessionLinks, ConnectorsMulticastAnnounceFindsTheDevice) {
  startQuietDevice("CAMMCAST");
  ASSERT_EQ(KV_SetServInfo("CAMMCAST", ""), 0);
  // Counted on the connect's own ticks (10 ms each, 1,200 in its attempt loop).
  const TickLog ticks;
  const TickLog::Watch watch("connect");
  const int h = KV_Connect("CAMMCAST", 0, 15, KV_CONNECT_P2P | KV_CONNECT_MULTICAST, nullptr);
  ASSERT_GE(h, 0) << "the multicast announce went unheard";
  EXPECT_LT(ticks.of("connect").size(), 1000u) << "found only late in its attempt loop";
  const KV_SessionInfo info = connectorInfo(h, "CAMMCAST");
  EXPECT_EQ(info.linkMode, 0);
  listenerReport("CAMMCAST");
}

TEST_F(SessionLinks, PunchedThroughTheServers) {
  startServers({"--servers", kServers});
  startDevice({"--id", "CAMP2P1", "--servers", kServers, "--echo"});
  ASSERT_TRUE(awaitRecord("DEV_REG", "CAMP2P1", 60000)) << "the device did not register";
  ASSERT_EQ(KV_SetServInfo("CAMP2P1", kServers.c_str()), 0);
  const int h = KV_Connect("CAMP2P1", 0, 15, KV_CONNECT_P2P, nullptr);
  ASSERT_GE(h, 0) << "punched connect failed";
  const KV_SessionInfo info = connectorInfo(h, "CAMP2P1");
  EXPECT_EQ(info.linkMode, 0);
  EXPECT_EQ(text_of(&info.publicAddr).substr(0, 10), "127.0.0.1:") << "the servers' view of us";
  const JsonEntry dev = listenerReport("CAMP2P1");
  EXPECT_EQ(dev.n("linkMode"), 0);
  EXPECT_EQ(text_of(&info.remote), "127.0.0.1:" + port_of(dev.s("local")));

  JsonEntry req;
  ASSERT_TRUE(awaitRecord("P2P_REQ", "CAMP2P1", 1000, &req));
  EXPECT_EQ(req.n("loop"), 0);
  // Both ends tell every server that the session is made.
  const Stopwatch sw;
  std::set<std::string> done;
  while (done.size() < 6 && sw.ms() < 2000) {
    done.clear();
    for (const auto& e : named(record(), "SESSION_DONE"))
      if (e.s("id") == "CAMP2P1") done.insert(e.s("from") + ">" + e.s("at"));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_EQ(done.size(), 6u) << "two senders x three servers";
  const std::string data = pattern(5000);
  EXPECT_EQ(echo(h, data, 5000), data);
  EXPECT_EQ(KV_Close(h), 0);
}

TEST_F(SessionLinks, RelayedThroughTheRelay) {
  startServers({"--servers", kServers, "--relay", "127.0.0.1:60800", "--relay-ports", "4"});
  startDevice({"--id", "CAMRLY1", "--servers", kServers, "--echo"});
  ASSERT_TRUE(awaitRecord("DEV_REG", "CAMRLY1", 60000));
  ASSERT_EQ(KV_SetServInfo("CAMRLY1", kServers.c_str()), 0);
  const int h = KV_Connect("CAMRLY1", 0, 15, KV_CONNECT_RELAY, nullptr);
  ASSERT_GE(h, 0) << "relayed connect failed";
  const KV_SessionInfo info = connectorInfo(h, "CAMRLY1");
  EXPECT_EQ(info.linkMode, 1);
  EXPECT_EQ(text_of(&info.remote), "127.0.0.1:60801") << "the relay's port for this session";
  const JsonEntry dev = listenerReport("CAMRLY1");
  EXPECT_EQ(dev.n("linkMode"), 1);
  EXPECT_EQ(dev.s("remote"), "127.0.0.1:60801");

  JsonEntry hello;
  ASSERT_TRUE(awaitRecord("RLY_HELLO", "CAMRLY1", 1000, &hello));
  EXPECT_EQ(hello.n("rrole"), 1);
  for (const char* step : {"RLY_QUERY", "RLY_REQ"}) EXPECT_TRUE(awaitRecord(step, "CAMRLY1", 60000)) << step;
  for (const char* step : {"RLY_PROBE", "RLY_ALLOC"}) EXPECT_TRUE(awaitRecord(step, "", 60000)) << step;
  size_t readyEvents = 0;
  for (const auto& e : record()) readyEvents += e.s("ev") == "relay-ready" ? 1 : 0;
  EXPECT_EQ(readyEvents, 1u);
  const std::string data = pattern(20000);
  EXPECT_EQ(echo(h, data, 8000), data);
  EXPECT_EQ(KV_Close(h), 0);
}

// The relay's flag byte chooses the channel algorithm of both ends; either
// must carry the data intact over a lossy, duplicating, reordering path.
TEST_F(SessionLinks, RelayedDataSurvivesAFaultyPathWithEitherAlgorithm) {
  for (const char* algorithm : {"0", "1"}) {
    SCOPED_TRACE(std::string("algorithm ") + algorithm);
    startServers({"--servers", "127.0.0.1", "--relay", "127.0.0.1:60800", "--relay-ports", "1",
                  "--relay-algorithm", algorithm, "--loss", "5", "--dup", "5", "--reorder", "5", "--delay", "2",
                  "--jitter", "3", "--seed", "7"});
    const std::string id = std::string("CAMLOSS") + algorithm;
    startDevice({"--id", id, "--servers", "127.0.0.1", "--echo"});
    ASSERT_TRUE(awaitRecord("DEV_REG", id, 60000));
    ASSERT_EQ(KV_SetServInfo(id.c_str(), "127.0.0.1"), 0);
    const int h = KV_Connect(id.c_str(), 0, 15, KV_CONNECT_RELAY | KV_CONNECT_ALT_LOOP, nullptr);
    ASSERT_GE(h, 0);
    KV_SessionInfo info{};
    ASSERT_EQ(KV_CheckSessionInfo(h, &info), 0);
    EXPECT_EQ(info.linkMode, 1);
    const std::string data = pattern(30000);
    EXPECT_EQ(echo(h, data, 15000), data);
    EXPECT_EQ(KV_Close(h), 0);
    // Our close message, or an acknowledgement before it, may be lost on
    // this path: the device then learns of the end from its keep-alives
    // (8 s at most). Until then its teardown would wait for
    // acknowledgements that never come, longer than a stop allows.
    JsonEntry closed;
    EXPECT_TRUE(deviceEvent("closed", &closed, 60000)) << "the device never saw the session end";
    EXPECT_EQ(device.stop(), 0);
    EXPECT_EQ(servers.stop(), 0);
  }
}

}  // namespace
}  // namespace world_test
