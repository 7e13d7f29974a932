// Teardown while listen and connect still run, close of unlinked and
// closed slots, writes before the link, the capped drain, the break of a
// reused slot, and a listen break during NAT detection.
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <map>
#include <memory>
#include <set>
#include <thread>

#include "Vornet.h"
#include "datagram.h"
#include "raw_peer.h"
#include "session_world.h"
#include "tick_log.h"
#include "wire/zorp_wire.h"

namespace world_test {
namespace {

namespace w = vornet::wire;

std::future<int> listen_async(const std::string& id, uint32_t flags, uint16_t detectPort = 0) {
  return std::async(std::launch::async, [id, flags, detectPort] { return KV_Listen(id.c_str(), detectPort, flags); });
}

std::future<int> connect_async(const std::string& id, uint32_t flags) {
  return std::async(std::launch::async, [id, flags] { return KV_Connect(id.c_str(), 0, 15, flags, nullptr); });
}

bool ready(std::future<int>& f, int ms) { return f.wait_for(std::chrono::milliseconds(ms)) == std::future_status::ready; }

class SessionLifecycle : public HandPlayedServerWorld {};

TEST_F(SessionLifecycle, DeInitializeWaitsForRunningListenAndConnect) {
  ASSERT_EQ(KV_SetServInfo("DEINITL", "127.0.0.1"), 0);
  ASSERT_EQ(KV_SetServInfo("DEINITC", "127.0.0.1"), 0);
  auto listening = listen_async("DEINITL", 30 | KV_LISTEN_NO_DETECT);
  auto connecting = connect_async("DEINITC", KV_CONNECT_P2P | KV_CONNECT_ALT_LOOP);
  ASSERT_TRUE(server->awaitCount(w::ZORP_MSG_HELLO, 2, 60000)) << "both calls hold their slots";
  {
    // De-initialise waits for running calls in 10 ms steps, 1,500 at most.
    const TickLog ticks;
    const TickLog::Watch watch("deinit");
    EXPECT_EQ(KV_DeInitialize(), 0);
    EXPECT_LT(ticks.of("deinit").size(), 1500u) << "the listen's 30 s wait was waited out";
  }
  ASSERT_TRUE(ready(listening, 0)) << "de-initialise returned before the listen did";
  ASSERT_TRUE(ready(connecting, 0)) << "de-initialise returned before the connect did";
  EXPECT_EQ(listening.get(), KV_ERR_LISTEN_BROKEN);
  EXPECT_EQ(connecting.get(), KV_ERR_CONNECT_BROKEN);
  EXPECT_EQ(KV_DeInitialize(), KV_ERR_NOT_INITIALIZED);
  EXPECT_EQ(KV_Initialize(), 0) << "and the library starts again";
}

// Both calls sit in their NAT detection (the server never answers HELLO):
// de-initialise ends the detections too, well before their 3.5 s budget.
// A detection asks again after every quiet 200 ms, so one that went on
// would have sent about seventeen rounds of HELLO by the end of its budget.
TEST_F(SessionLifecycle, DeInitializeEndsCallsStillInTheirDetection) {
  ASSERT_EQ(KV_SetServInfo("DETL", "127.0.0.1"), 0);
  ASSERT_EQ(KV_SetServInfo("DETC", "127.0.0.1"), 0);
  auto listening = listen_async("DETL", 30, 40021);
  auto connecting = std::async(std::launch::async, [] { return KV_Connect("DETC", 40022, 15, KV_CONNECT_P2P, nullptr); });
  std::set<uint16_t> detecting;
  RawDatagram d;
  const Stopwatch wait;
  while (detecting.size() < 2 && wait.ms() < 60000)
    if (server->receiveType(w::ZORP_MSG_HELLO, &d, 100)) detecting.insert(ntohs(d.from.sin_port));
  ASSERT_EQ(detecting, (std::set<uint16_t>{40021, 40022})) << "both detections run";
  EXPECT_EQ(KV_DeInitialize(), 0);
  ASSERT_TRUE(ready(listening, 0));
  ASSERT_TRUE(ready(connecting, 0));
  // Everything they sent is here by now (loopback).
  std::map<uint16_t, int> rounds;
  for (const RawDatagram& later : server->drain(200))
    if (later.type == w::ZORP_MSG_HELLO) ++rounds[ntohs(later.from.sin_port)];
  for (const uint16_t port : {40021, 40022})
    EXPECT_LE(rounds[port], 3) << "the detection from port " << port << " went on asking";
  EXPECT_EQ(listening.get(), KV_ERR_LISTEN_BROKEN);
  EXPECT_EQ(connecting.get(), KV_ERR_CONNECT_BROKEN);
}

TEST_F(SessionLifecycle, UnlinkedSlotsRefuseCloseAndWrites) {
  ASSERT_EQ(KV_SetServInfo("WAITING", "127.0.0.1"), 0);
  auto listening = listen_async("WAITING", 30 | KV_LISTEN_NO_DETECT);
  ASSERT_TRUE(server->awaitCount(w::ZORP_MSG_HELLO, 1, 60000));
  const char byte = 'x';
  for (int h = 0; h < KV_MAX_SESSIONS; ++h) {
    ASSERT_EQ(KV_Send(h, &byte, 1, 127), KV_ERR_INVALID_SESSION) << "slot " << h;
    ASSERT_EQ(KV_Send(h, &byte, 1, 0), KV_ERR_INVALID_SESSION) << "slot " << h;
    ASSERT_EQ(KV_SendWithChannel(h, 1, &byte, 1), KV_ERR_INVALID_SESSION) << "slot " << h;
    ASSERT_EQ(KV_Close(h), KV_ERR_INVALID_SESSION) << "slot " << h;
  }
  EXPECT_FALSE(ready(listening, 100)) << "a refused close must leave the waiting listen alone";
  KV_ListenBreak();
  ASSERT_TRUE(ready(listening, 60000));
  EXPECT_EQ(listening.get(), KV_ERR_LISTEN_BROKEN);
}

TEST_F(SessionLifecycle, LinkedSlotClosesOnce) {
  startDevice({"--id", "CLOSEONCE", "--no-detect"});
  ASSERT_EQ(KV_SetServInfo("CLOSEONCE", ""), 0);
  const int h = KV_Connect("CLOSEONCE", 0, 15, KV_CONNECT_LAN, "127.0.0.1");
  ASSERT_GE(h, 0);
  EXPECT_EQ(KV_Close(h), 0);
  EXPECT_EQ(KV_Close(h), KV_ERR_INVALID_SESSION);
  KV_SessionInfo info{};
  EXPECT_EQ(KV_CheckSessionInfo(h, &info), KV_ERR_INVALID_SESSION);
  EXPECT_EQ(KV_Close(-1), 0);
  EXPECT_EQ(KV_Close(KV_MAX_SESSIONS), KV_ERR_INVALID_SESSION);
}

TEST_F(SessionLifecycle, TwoConcurrentClosesCloseOnce) {
  startDevice({"--id", "CLOSERACE", "--no-detect"});
  ASSERT_EQ(KV_SetServInfo("CLOSERACE", ""), 0);
  const int h = KV_Connect("CLOSERACE", 0, 15, KV_CONNECT_LAN, "127.0.0.1");
  ASSERT_GE(h, 0);
  std::atomic<bool> go{false};
  auto closer = [&] {
    while (!go.load()) std::this_thread::yield();
    return KV_Close(h);
  };
  auto a = std::async(std::launch::async, closer);
  auto b = std::async(std::launch::async, closer);
  go = true;
  const int ra = a.get();
  const int rb = b.get();
  EXPECT_EQ((ra == 0) + (rb == 0), 1) << ra << " " << rb;
  EXPECT_EQ((ra == KV_ERR_INVALID_SESSION) + (rb == KV_ERR_INVALID_SESSION), 1) << ra << " " << rb;
}

// Closing a linked session, alone or by de-initialising the library,
// tells the peer: the device's read ends with "closed by the peer".
TEST_F(SessionLifecycle, ThePeerIsToldOfTheClose) {
  for (bool whole : {false, true}) {
    SCOPED_TRACE(whole ? "KV_DeInitialize" : "KV_Close");
    const std::string id = whole ? "TELLALL" : "TELLONE";
    startDevice({"--id", id, "--no-detect", "--echo"});
    ASSERT_EQ(KV_SetServInfo(id.c_str(), ""), 0);
    const int h = KV_Connect(id.c_str(), 0, 15, KV_CONNECT_LAN, "127.0.0.1");
    ASSERT_GE(h, 0);
    JsonEntry e;
    ASSERT_TRUE(deviceEvent("linked", &e, 60000));
    EXPECT_EQ(whole ? KV_DeInitialize() : KV_Close(h), 0);
    ASSERT_TRUE(deviceEvent("closed", &e, 60000)) << "the device was not told";
    EXPECT_EQ(e.n("code"), KV_ERR_CLOSED_BY_PEER);
    EXPECT_EQ(device.stop(), 0);
    if (whole) {
      EXPECT_EQ(KV_Initialize(), 0);
    }
  }
}

// A peer that answers keep-alives but never acknowledges data: the
// de-initialise drain gives up after about 3 s.
TEST_F(SessionLifecycle, DrainIsCappedWhenThePeerNeverAcknowledges) {
  RawPeer peer("127.0.0.5", 0);
  ASSERT_TRUE(peer.ok());
  ASSERT_EQ(KV_SetServInfo("NOACK", "127.0.0.1"), 0);
  auto listening = listen_async("NOACK", 10 | KV_LISTEN_NO_DETECT);
  RawDatagram hello;
  ASSERT_TRUE(server->awaitCount(w::ZORP_MSG_HELLO, 1, 60000, &hello));
  uint8_t buf[w::kSmallDatagram];
  peer.send(hello.from, buf, w::build_peer(buf, w::ZORP_MSG_PUNCH, "vek", 0, "NOACK", 1));
  ASSERT_TRUE(ready(listening, 60000));
  const int h = listening.get();
  ASSERT_GE(h, 0);
  const std::string data(20000, 'd');
  ASSERT_EQ(KV_Send(h, data.data(), static_cast<int>(data.size()), 127), static_cast<int>(data.size()));

  std::atomic<bool> stop{false};
  std::atomic<int> closes{0};
  std::thread answering([&] {
    RawDatagram d;
    const Stopwatch sw;
    while (!stop.load() && sw.ms() < 120000) {
      if (!peer.receive(&d, 50)) continue;
      if (d.type == w::ZORP_MSG_ALIVE) {
        uint8_t ack[w::kSmallDatagram];
        peer.send(d.from, ack, w::build_empty(ack, w::ZORP_MSG_ALIVE_ACK));
      }
      if (d.type == w::ZORP_MSG_CLOSE) ++closes;
    }
  });
  const Stopwatch sw;
  auto deinit = std::async(std::launch::async, [] { return KV_DeInitialize(); });
  const bool ended = deinit.wait_for(std::chrono::seconds(60)) == std::future_status::ready;
  const long long took = sw.ms();
  // The close goes out as the drain ends: the peer sees it a little later.
  for (const Stopwatch told; ended && closes.load() == 0 && told.ms() < 60000;)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  stop = true;
  answering.join();
  if (!ended) {
    ADD_FAILURE() << "KV_DeInitialize still drains after 60 s";
    std::fflush(nullptr);
    std::_Exit(1);  // the drain holds this process; nothing more can be tested in it
  }
  EXPECT_EQ(deinit.get(), 0);
  // It waited for the data (its cap is 3 s on the library's clock), and
  // the cap ended the wait: the peer never acknowledges.
  EXPECT_GE(took, 2500);
  EXPECT_GE(closes.load(), 1) << "the peer is told of the close";
}

// The back-link of an id's server record still names a slot after that
// slot was released; a break for that id must not hit whoever took the slot.
TEST_F(SessionLifecycle, BreakByHitsOnlyTheWaitingConnectOfItsId) {
  ASSERT_EQ(KV_SetServInfo("FAILSFAST", "127.0.0.1"), 0);
  ASSERT_EQ(KV_SetServInfo("FILL", "127.0.0.1"), 0);
  ASSERT_EQ(KV_SetServInfo("TAKESOVER", "127.0.0.1"), 0);
  // FAILSFAST holds a slot, is refused, releases it.
  auto failing = connect_async("FAILSFAST", KV_CONNECT_P2P | KV_CONNECT_ALT_LOOP);
  RawDatagram req;
  ASSERT_TRUE(server->receiveType(w::ZORP_MSG_P2P_REQ, &req, 60000));
  uint8_t buf[w::kSmallDatagram];
  server->send(req.from, buf, w::build_result(buf, w::ZORP_MSG_P2P_REQ_ACK, -1));
  ASSERT_TRUE(ready(failing, 60000));
  ASSERT_EQ(failing.get(), KV_ERR_INVALID_ID);
  // Every other slot is taken by a waiting listen, so the next claim is
  // the released one.
  std::vector<std::future<int>> fill;
  for (int i = 0; i < KV_MAX_SESSIONS - 1; ++i) fill.push_back(listen_async("FILL", 30 | KV_LISTEN_NO_DETECT));
  ASSERT_TRUE(server->awaitCount(w::ZORP_MSG_HELLO, KV_MAX_SESSIONS - 1, 180000));
  auto victim = connect_async("TAKESOVER", KV_CONNECT_P2P | KV_CONNECT_ALT_LOOP);
  ASSERT_TRUE(server->receiveType(w::ZORP_MSG_P2P_REQ, &req, 60000)) << "TAKESOVER did not get a slot";

  EXPECT_EQ(KV_Connect_Break_By("FAILSFAST"), 0);
  EXPECT_FALSE(ready(victim, 300)) << "the break for FAILSFAST ended TAKESOVER's connect";
  EXPECT_EQ(KV_Connect_Break_By("TAKESOVER"), 0);
  ASSERT_TRUE(ready(victim, 60000));
  EXPECT_EQ(victim.get(), KV_ERR_CONNECT_BROKEN);
  KV_ListenBreak();
  for (auto& f : fill) ASSERT_TRUE(ready(f, 60000));
}

// A listen broken during its NAT detection must not count as a detection:
// the next listen detects again (its HELLOs come from its detection port).
TEST_F(SessionLifecycle, ListenBreakDuringDetectionLeavesTheNextDetectionDue) {
  ASSERT_EQ(KV_SetServInfo("DETBREAK", "127.0.0.1"), 0);
  const uint16_t detectPorts[] = {40001, 40002};
  for (uint16_t port : detectPorts) {
    SCOPED_TRACE("detection port " + std::to_string(port));
    auto listening = listen_async("DETBREAK", 30, port);
    RawDatagram hello;
    ASSERT_TRUE(server->receiveType(w::ZORP_MSG_HELLO, &hello, 60000)) << "no detection ran";
    EXPECT_EQ(ntohs(hello.from.sin_port), port);
    KV_ListenBreak();
    ASSERT_TRUE(ready(listening, 60000));
    EXPECT_EQ(listening.get(), KV_ERR_LISTEN_BROKEN);
    server->drain(50);
  }
}

}  // namespace
}  // namespace world_test
