// Results and timings of KV_Connect and KV_Listen against scripted servers:
// the code table, the attempt loop's length, breaks, unknown ids, the
// session table's limit and claim order, the listen wait bounds.
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <condition_variable>
#include <future>
#include <mutex>
#include <set>
#include <thread>

#include "Vornet.h"
#include "raw_peer.h"
#include "session_world.h"
#include "wire/zorp_wire.h"

namespace world_test {
namespace {

namespace w = vornet::wire;

const std::string kServers = "127.0.0.1,127.0.0.2,127.0.0.3";
constexpr long long kAttemptLoopMs = 1200 * 10;  // 1,200 ticks of at least 10 ms

struct Timed {
  int result;
  long long ms;
};

std::future<Timed> connect_async(const std::string& id, uint32_t flags, const char* lan = nullptr) {
  return std::async(std::launch::async, [id, flags, lan] {
    const Stopwatch sw;
    const int r = KV_Connect(id.c_str(), 0, 15, flags, lan);
    return Timed{r, sw.ms()};
  });
}

std::future<Timed> listen_async(const std::string& id, uint32_t flags) {
  return std::async(std::launch::async, [id, flags] {
    const Stopwatch sw;
    const int r = KV_Listen(id.c_str(), 0, flags);
    return Timed{r, sw.ms()};
  });
}

class SessionCodes : public SessionWorld {};

struct ConnectCase {
  const char* id;
  const char* servers;  // KV_SetServInfo list
  int expected;
  long long minMs, maxMs;
};

// Concurrent connects, each against its own scripted answer; the loop runs
// its full length unless the servers' code ends it.
TEST_F(SessionCodes, ConnectCodesAndTheirTimings) {
  startServers({"--servers", kServers, "--p2p-code", "CODEM1=-1", "--p2p-code", "CODEM2=-2", "--p2p-code",
                "CODEM3=-3"});
  const ConnectCase cases[] = {
      {"CODEM1", kServers.c_str(), KV_ERR_INVALID_ID, 0, 5000},
      {"CODEM3", kServers.c_str(), KV_ERR_ID_REFUSED, 0, 5000},
      {"CODEM2", kServers.c_str(), KV_ERR_DEVICE_NOT_ONLINE, kAttemptLoopMs, kAttemptLoopMs + 8000},
      {"SILENT", "127.0.0.9", KV_ERR_TIMEOUT, kAttemptLoopMs, kAttemptLoopMs + 8000},  // nobody answers at all
  };
  std::vector<std::future<Timed>> runs;
  for (const auto& c : cases) {
    ASSERT_EQ(KV_SetServInfo(c.id, c.servers), 0);
    runs.push_back(connect_async(c.id, KV_CONNECT_P2P));
  }
  for (size_t i = 0; i < runs.size(); ++i) {
    const Timed t = runs[i].get();
    SCOPED_TRACE(cases[i].id);
    EXPECT_EQ(t.result, cases[i].expected);
    EXPECT_GE(t.ms, cases[i].minMs);
    EXPECT_LE(t.ms, cases[i].maxMs);
  }
  // The default loop asks at most five times.
  for (const char* id : {"CODEM2"}) {
    size_t perServer = 0;
    for (const auto& e : named(record(), "P2P_REQ"))
      if (e.s("id") == id && e.s("at") == "127.0.0.1:60722") ++perServer;
    EXPECT_EQ(perServer, 5u);
  }
}

TEST_F(SessionCodes, BreakByDuringTheAttemptLoopEndsItWithinATick) {
  startServers({"--servers", "127.0.0.1", "--mute", "all"});
  for (uint32_t loop : {0u, KV_CONNECT_ALT_LOOP}) {
    SCOPED_TRACE(loop ? "alternative loop" : "default loop");
    const std::string id = loop ? "BRKALT" : "BRKDEF";
    ASSERT_EQ(KV_SetServInfo(id.c_str(), "127.0.0.1"), 0);
    auto run = connect_async(id, KV_CONNECT_P2P | loop);
    ASSERT_TRUE(awaitRecord("P2P_REQ", id, 6000)) << "the attempt loop did not start";
    const Stopwatch sw;
    EXPECT_EQ(KV_Connect_Break_By(id.c_str()), 0);
    ASSERT_EQ(run.wait_for(std::chrono::seconds(2)), std::future_status::ready);
    EXPECT_EQ(run.get().result, KV_ERR_CONNECT_BROKEN);
    EXPECT_LT(sw.ms(), 150) << "a tick is 10 ms; the protocol thread's wait adds at most 50";
  }
}

TEST_F(SessionCodes, UnknownIdsHaveNoServerInfo) {
  EXPECT_EQ(KV_Connect("NOSUCH", 0, 15, KV_CONNECT_P2P, nullptr), KV_ERR_NO_SERVER_INFO);
  EXPECT_EQ(KV_Listen("NOSUCH", 0, 5), KV_ERR_NO_SERVER_INFO);
  EXPECT_EQ(KV_Connect_Break_By("NOSUCH"), KV_ERR_NO_SERVER_INFO);
  ASSERT_EQ(KV_SetServInfo("KNOWN", ""), 0);
  EXPECT_EQ(KV_Connect_Break_By("KNOWN"), 0) << "a record without a session is still found";
}

TEST_F(SessionCodes, ListenWaitBounds) {
  ASSERT_EQ(KV_SetServInfo("WAITS", ""), 0);
  EXPECT_EQ(KV_Listen("WAITS", 0, 0 | KV_LISTEN_NO_DETECT), KV_ERR_INVALID_PARAMETER);
  EXPECT_EQ(KV_Listen("WAITS", 0, 86401 | KV_LISTEN_NO_DETECT), KV_ERR_INVALID_PARAMETER);
  EXPECT_EQ(KV_Listen(nullptr, 0, 10), KV_ERR_INVALID_PARAMETER);
  auto run = listen_async("WAITS", 86400 | KV_LISTEN_NO_DETECT);
  EXPECT_EQ(run.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout) << "86,400 is accepted";
  KV_ListenBreak();
  ASSERT_EQ(run.wait_for(std::chrono::seconds(2)), std::future_status::ready);
  EXPECT_EQ(run.get().result, KV_ERR_LISTEN_BROKEN);
}

TEST_F(SessionCodes, ListenWithoutAPeerTimesOutAfterItsWait) {
  ASSERT_EQ(KV_SetServInfo("LONELY", ""), 0);
  for (uint32_t detect : {0u, KV_LISTEN_NO_DETECT}) {
    SCOPED_TRACE(detect ? "100 ms ticks" : "10 ms ticks");
    const Timed t = listen_async("LONELY", 1 | detect).get();
    EXPECT_EQ(t.result, KV_ERR_TIMEOUT);
    EXPECT_GE(t.ms, 1000);
    EXPECT_LE(t.ms, 2500);
  }
}

TEST_F(SessionCodes, ArgumentChecks) {
  ASSERT_EQ(KV_SetServInfo("ARGS", ""), 0);
  const std::string longId(64, 'x');  // checked before the server record is looked up
  struct Case {
    const char* id;
    uint32_t flags;
    const char* lan;
    int expected;
  };
  const Case cases[] = {
      {nullptr, KV_CONNECT_P2P, nullptr, KV_ERR_INVALID_PARAMETER},
      {"ARGS", 0, nullptr, KV_ERR_INVALID_PARAMETER},
      {"ARGS", KV_CONNECT_LAN, nullptr, KV_ERR_INVALID_PARAMETER},
      {"ARGS", KV_CONNECT_LAN, "", KV_ERR_INVALID_PARAMETER},
      {longId.c_str(), KV_CONNECT_P2P, nullptr, KV_ERR_INVALID_ID},
  };
  for (const auto& c : cases) EXPECT_EQ(KV_Connect(c.id, 0, 15, c.flags, c.lan), c.expected) << (c.id ? c.id : "null");
  KV_DeInitialize();
  EXPECT_EQ(KV_Connect("ARGS", 0, 15, KV_CONNECT_P2P, nullptr), KV_ERR_NOT_INITIALIZED);
  EXPECT_EQ(KV_Listen("ARGS", 0, 5), KV_ERR_NOT_INITIALIZED);
  EXPECT_EQ(KV_Initialize(), 0);
}

// A local or detection port that is taken: no socket can be bound.
TEST_F(SessionCodes, BusyPortGivesBindFailed) {
  RawPeer holder("0.0.0.0", 40010);
  ASSERT_TRUE(holder.ok());
  ASSERT_EQ(KV_SetServInfo("BUSY", "127.0.0.9"), 0);
  EXPECT_EQ(KV_Connect("BUSY", 40010, 15, KV_CONNECT_P2P, nullptr), KV_ERR_BIND_FAILED) << "in the detection";
  EXPECT_EQ(KV_Connect("BUSY", 40010, 15, KV_CONNECT_P2P | KV_CONNECT_ALT_LOOP, nullptr), KV_ERR_BIND_FAILED)
      << "for the session socket";
  EXPECT_EQ(KV_Listen("BUSY", 40010, 5), KV_ERR_BIND_FAILED) << "the detection's port";
}

struct ListenCase {
  const char* id;
  int expected;
};

TEST_F(SessionCodes, RegistrationCodes) {
  startServers({"--servers", kServers, "--reg-code", "REGM1=-1", "--reg-code", "REGM2=-2", "--reg-code", "REGM3=-3",
                "--reg-code", "REGM5=-5", "--reg-reply", "ack"});
  const ListenCase cases[] = {
      {"REGM1", KV_ERR_INVALID_ID},
      {"REGM2", KV_ERR_REGISTER_REFUSED},
      {"REGM3", KV_ERR_ID_REFUSED},
      {"REGM5", KV_ERR_TIMEOUT},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    ASSERT_EQ(KV_SetServInfo(c.id, kServers.c_str()), 0);
    const Timed t = listen_async(c.id, 30).get();
    EXPECT_EQ(t.result, c.expected);
    EXPECT_LE(t.ms, 1500) << "the first registration goes as the wait begins, a refusal ends it at once";
  }
}

// When the registrations go, on the rendezvous program's clock, counted
// from the session's own HELLO (sent as its wait begins): ticks 0, 100 and
// 300 of 10 ms, or ticks 0 and 30 of 100 ms without detection.
TEST_F(SessionCodes, RegistrationSchedule) {
  startServers({"--servers", kServers});  // three answers end the detection at once
  struct Case {
    const char* id;
    uint32_t flags;
    std::vector<long long> atMs;
  };
  const Case cases[] = {
      {"SCHED10", 0u, {0, 1000, 3000}},
      {"SCHED100", KV_LISTEN_NO_DETECT, {0, 3000}},
  };
  std::vector<std::future<Timed>> runs;
  for (const auto& c : cases) {
    ASSERT_EQ(KV_SetServInfo(c.id, kServers.c_str()), 0);
    runs.push_back(listen_async(c.id, 10 | c.flags));
  }
  // Long enough for tick 300 even when ticks overrun under a loaded machine,
  // short of the next registration at tick 2,000.
  std::this_thread::sleep_for(std::chrono::milliseconds(4500));
  KV_ListenBreak();
  for (auto& r : runs) ASSERT_EQ(r.wait_for(std::chrono::seconds(2)), std::future_status::ready);
  const auto all = record();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    std::vector<long long> regs;
    std::string session;
    for (const auto& e : named(all, "DEV_REG"))
      if (e.s("id") == c.id && e.s("at") == "127.0.0.1:60722") {
        regs.push_back(e.n("t"));
        session = e.s("from");
      }
    long long start = -1;
    for (const auto& e : named(all, "HELLO"))
      if (e.s("from") == session && e.s("at") == "127.0.0.1:60722" && start < 0) start = e.n("t");
    ASSERT_GE(start, 0) << "no HELLO from the session socket " << session;
    ASSERT_EQ(regs.size(), c.atMs.size());
    for (size_t i = 0; i < regs.size(); ++i) {
      EXPECT_GE(regs[i] - start, c.atMs[i] - 20) << "registration " << i;
      EXPECT_LE(regs[i] - start, c.atMs[i] * 12 / 10 + 150) << "registration " << i;  // ticks overrun under load
    }
  }
}

TEST_F(SessionCodes, ListenBreakWhileTheRegistrationIsPending) {
  startServers({"--servers", kServers, "--mute", "reg"});
  ASSERT_EQ(KV_SetServInfo("REGWAIT", kServers.c_str()), 0);
  auto run = listen_async("REGWAIT", 30);
  ASSERT_TRUE(awaitRecord("DEV_REG", "REGWAIT", 6000));
  const Stopwatch sw;
  KV_ListenBreak();
  ASSERT_EQ(run.wait_for(std::chrono::seconds(2)), std::future_status::ready);
  EXPECT_EQ(run.get().result, KV_ERR_LISTEN_BROKEN);
  EXPECT_LT(sw.ms(), 150);
}

TEST_F(SessionCodes, TheSessionTableHoldsOneHundredTwentyEight) {
  RawPeer server("127.0.0.1", 60722);
  ASSERT_TRUE(server.ok());
  ASSERT_EQ(KV_SetServInfo("FILL", "127.0.0.1"), 0);
  std::vector<std::future<Timed>> listens;
  for (int i = 0; i < KV_MAX_SESSIONS; ++i) listens.push_back(listen_async("FILL", 30 | KV_LISTEN_NO_DETECT));
  ASSERT_TRUE(server.awaitCount(w::ZORP_MSG_HELLO, KV_MAX_SESSIONS, 10000)) << "not every listen got a slot";
  EXPECT_EQ(KV_Listen("FILL", 0, 30 | KV_LISTEN_NO_DETECT), KV_ERR_NO_FREE_SESSION);
  EXPECT_EQ(KV_Connect("FILL", 0, 15, KV_CONNECT_P2P | KV_CONNECT_ALT_LOOP, nullptr), KV_ERR_NO_FREE_SESSION);
  KV_ListenBreak();
  for (auto& l : listens) {
    ASSERT_EQ(l.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_EQ(l.get().result, KV_ERR_LISTEN_BROKEN);
  }
}

TEST_F(SessionCodes, ClaimsGoOnAfterTheLastClaimedSlot) {
  startDevice({"--id", "CLAIMS", "--no-detect", "--sessions", "3"});
  ASSERT_EQ(KV_SetServInfo("CLAIMS", ""), 0);
  const int a = KV_Connect("CLAIMS", 0, 15, KV_CONNECT_LAN, "127.0.0.1");
  ASSERT_GE(a, 0);
  JsonEntry e;
  ASSERT_TRUE(deviceEvent("listening", &e, 3000));
  const int b = KV_Connect("CLAIMS", 0, 15, KV_CONNECT_LAN, "127.0.0.1");
  ASSERT_GE(b, 0);
  EXPECT_EQ(b, (a + 1) % KV_MAX_SESSIONS);
  ASSERT_EQ(KV_Close(a), 0);
  ASSERT_TRUE(deviceEvent("listening", &e, 3000));
  const int c = KV_Connect("CLAIMS", 0, 15, KV_CONNECT_LAN, "127.0.0.1");
  EXPECT_EQ(c, (b + 1) % KV_MAX_SESSIONS) << "the freed slot " << a << " is not taken first";
}

std::string hello_sources(const std::vector<JsonEntry>& all) {
  std::string text = "HELLOs from:";
  for (const auto& e : named(all, "HELLO")) text += " " + e.s("from");
  return text;
}

// The NAT detection runs once a day for KV_Connect, never in the
// alternative loop. A connect sends one HELLO to each server from its
// session socket; a detection sends one more to each (all three answer).
TEST_F(SessionCodes, DetectionRunsOnceAndNeverInTheAlternativeLoop) {
  startServers({"--servers", kServers});
  startDevice({"--id", "DETONCE", "--no-detect", "--sessions", "3"});
  ASSERT_EQ(KV_SetServInfo("DETONCE", kServers.c_str()), 0);
  const uint32_t flagsOf[] = {KV_CONNECT_LAN | KV_CONNECT_ALT_LOOP, KV_CONNECT_LAN, KV_CONNECT_LAN};
  const size_t hellosAfter[] = {3, 3 + 6, 3 + 6 + 3};
  for (size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE("connect " + std::to_string(i + 1));
    if (i > 0) {
      JsonEntry e;
      ASSERT_TRUE(deviceEvent("listening", &e, 3000));
    }
    ASSERT_GE(KV_Connect("DETONCE", 0, 15, flagsOf[i], "127.0.0.1"), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));  // the last HELLOs reach the record
    EXPECT_EQ(named(record(), "HELLO").size(), hellosAfter[i]) << hello_sources(record());
  }
}

// Listens may run in several threads at once, one per slot; each must own
// its socket, or the servers' answers reach the wrong session. The calls
// are released together, as callers on several threads may well do.
TEST_F(SessionCodes, ConcurrentListensEachGetTheirOwnPort) {
  RawPeer server("127.0.0.1", 60722);
  ASSERT_TRUE(server.ok());
  ASSERT_EQ(KV_SetServInfo("TWINS", "127.0.0.1"), 0);
  constexpr int kListens = 8;
  std::mutex m;
  std::condition_variable go;
  bool released = false;
  std::vector<std::thread> listens;
  for (int i = 0; i < kListens; ++i)
    listens.emplace_back([&] {
      {
        std::unique_lock<std::mutex> lock(m);
        go.wait(lock, [&] { return released; });
      }
      KV_Listen("TWINS", 0, 10 | KV_LISTEN_NO_DETECT);
    });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  {
    std::lock_guard<std::mutex> lock(m);
    released = true;
  }
  go.notify_all();
  std::set<uint16_t> ports;
  RawDatagram d;
  for (int i = 0; i < kListens && server.receiveType(w::ZORP_MSG_HELLO, &d, 3000); ++i)
    ports.insert(ntohs(d.from.sin_port));
  KV_ListenBreak();
  for (auto& t : listens) t.join();
  EXPECT_EQ(ports.size(), static_cast<size_t>(kListens)) << "sessions started in the same millisecond share a port";
}

}  // namespace
}  // namespace world_test
