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
#include "tick_log.h"
#include "wire/zorp_wire.h"

namespace world_test {
namespace {

namespace w = vornet::wire;

const std::string kServers = "127.0.0.1,127.0.0.2,127.0.0.3";
constexpr size_t kAttemptTicks = 1200;
constexpr unsigned kConnectTickMs = 10;
constexpr long long kAttemptLoopMs = kAttemptTicks * kConnectTickMs;  // each tick sleeps 10 ms at least
// What a loaded machine may add to a wait: bounds on the wall clock are
// time-outs, never a judgement of speed.
constexpr long long kRoomForLoadMs = 60000;

struct Timed {
  int result;
  long long ms;
};

std::future<Timed> connect_async(const std::string& id, uint32_t flags, const char* lan = nullptr) {
  return std::async(std::launch::async, [id, flags, lan] {
    const TickLog::Watch watch(id);
    const Stopwatch sw;
    const int r = KV_Connect(id.c_str(), 0, 15, flags, lan);
    return Timed{r, sw.ms()};
  });
}

std::future<Timed> listen_async(const std::string& id, uint32_t flags) {
  return std::async(std::launch::async, [id, flags] {
    const TickLog::Watch watch(id);
    const Stopwatch sw;
    const int r = KV_Listen(id.c_str(), 0, flags);
    return Timed{r, sw.ms()};
  });
}

// The calls' ticks are counted on the library's own sleeps (each waiting
// call's thread is watched under its id), so a loaded machine that makes
// every tick longer changes no count.
class SessionCodes : public SessionWorld {
 protected:
  // After a break seen by a waiting call: the tick that had already looked
  // at the flag may still sleep, no later one begins.  The call then stops
  // its protocol thread (a 50 ms wait) and tears down: a call that waited
  // its wait out instead would take seconds more.
  void expectEndedWithinATick(const std::string& id, unsigned tickMs, SteadyTime broken) const {
    EXPECT_LT(ms_between(broken, std::chrono::steady_clock::now()), 10000) << "the teardown after the break";
    EXPECT_LE(ticks.countAfter(id, tickMs, broken), 1u) << "ticks of the wait began after the break";
  }

  TickLog ticks;
};

enum class LoopEnd { ByTheCode, AfterItsLastTick };

struct ConnectCase {
  const char* id;
  const char* servers;  // KV_SetServInfo list
  int expected;
  LoopEnd end;
};

// Concurrent connects, each against its own scripted answer; the loop runs
// its full length unless the servers' code ends it.
TEST_F(SessionCodes, ConnectCodesAndTheirTimings) {
  startServers({"--servers", kServers, "--p2p-code", "CODEM1=-1", "--p2p-code", "CODEM2=-2", "--p2p-code",
                "CODEM3=-3"});
  const ConnectCase cases[] = {
      {"CODEM1", kServers.c_str(), KV_ERR_INVALID_ID, LoopEnd::ByTheCode},
      {"CODEM3", kServers.c_str(), KV_ERR_ID_REFUSED, LoopEnd::ByTheCode},
      {"CODEM2", kServers.c_str(), KV_ERR_DEVICE_NOT_ONLINE, LoopEnd::AfterItsLastTick},
      {"SILENT", "127.0.0.9", KV_ERR_TIMEOUT, LoopEnd::AfterItsLastTick},  // nobody answers at all
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
    if (cases[i].end == LoopEnd::ByTheCode) {
      EXPECT_LT(ticks.countAfter(cases[i].id, kConnectTickMs, SteadyTime::min()), kAttemptTicks / 2)
          << "the code did not end the loop";
      continue;
    }
    EXPECT_EQ(ticks.countAfter(cases[i].id, kConnectTickMs, SteadyTime::min()), kAttemptTicks);
    EXPECT_GE(t.ms, kAttemptLoopMs);
    // A call in the loop that blocks would hold up every one of its ticks:
    // seconds per hundred ticks. A minute over the loop's own length is
    // room for any load.
    EXPECT_LE(t.ms, kAttemptLoopMs + kRoomForLoadMs);
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
    ASSERT_TRUE(awaitRecord("P2P_REQ", id, 60000)) << "the attempt loop did not start";
    ASSERT_TRUE(ticks.await(id, kConnectTickMs, 1, 60000)) << "no tick of the attempt loop was seen";
    EXPECT_EQ(KV_Connect_Break_By(id.c_str()), 0);
    const SteadyTime broken = std::chrono::steady_clock::now();
    ASSERT_EQ(run.wait_for(std::chrono::seconds(60)), std::future_status::ready);
    expectEndedWithinATick(id, kConnectTickMs, broken);
    EXPECT_EQ(run.get().result, KV_ERR_CONNECT_BROKEN);
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
  ASSERT_EQ(run.wait_for(std::chrono::seconds(60)), std::future_status::ready);
  EXPECT_EQ(run.get().result, KV_ERR_LISTEN_BROKEN);
}

TEST_F(SessionCodes, ListenWithoutAPeerTimesOutAfterItsWait) {
  ASSERT_EQ(KV_SetServInfo("LONELY", ""), 0);
  for (uint32_t detect : {0u, KV_LISTEN_NO_DETECT}) {
    SCOPED_TRACE(detect ? "100 ms ticks" : "10 ms ticks");
    const unsigned tickMs = detect ? 100 : 10;
    const SteadyTime since = std::chrono::steady_clock::now();
    const Timed t = listen_async("LONELY", 1 | detect).get();
    EXPECT_EQ(t.result, KV_ERR_TIMEOUT);
    EXPECT_GE(t.ms, 1000);
    // One second of its own ticks, however long a loaded machine made them.
    EXPECT_EQ(ticks.countAfter("LONELY", tickMs, since), 1000u / tickMs) << "not a second of ticks";
    EXPECT_LE(t.ms, 1000 + kRoomForLoadMs) << "waited far beyond its second";
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
    // The first registration goes as the wait begins, a refusal ends it at
    // once: not after the wait's 30 s (3,000 of its ticks).
    EXPECT_LT(ticks.countAfter(c.id, 10, SteadyTime::min()), 1000u) << "the refusal did not end the wait";
  }
}

// When the registrations go, counted from the session's own HELLO (sent as
// its wait begins): ticks 0, 100 and 300 of 10 ms, or ticks 0 and 30 of
// 100 ms without detection.  The rendezvous program's record gives when
// each arrived; the wait's own ticks give when its tick came, however long
// a loaded machine made them.
TEST_F(SessionCodes, RegistrationSchedule) {
  startServers({"--servers", kServers});  // three answers end the detection at once
  struct Case {
    const char* id;
    uint32_t flags;
    unsigned tickMs;
    std::vector<size_t> atTicks;
  };
  const Case cases[] = {
      {"SCHED10", 0u, 10, {0, 100, 300}},
      {"SCHED100", KV_LISTEN_NO_DETECT, 100, {0, 30}},
  };
  // Each wait lives 4,500 ms of its own ticks: past its last registration,
  // short of the next (tick 2,000, or 400).
  constexpr unsigned kLivedMs = 4500;
  std::vector<std::future<Timed>> runs;
  for (const auto& c : cases) {
    ASSERT_EQ(KV_SetServInfo(c.id, kServers.c_str()), 0);
    runs.push_back(listen_async(c.id, 10 | c.flags));
  }
  for (const auto& c : cases) EXPECT_TRUE(ticks.await(c.id, c.tickMs, kLivedMs / c.tickMs, 60000)) << c.id;
  KV_ListenBreak();
  for (auto& r : runs) ASSERT_EQ(r.wait_for(std::chrono::seconds(60)), std::future_status::ready);
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
    // The listen's thread sleeps only in its wait, once per tick.
    const std::vector<LibrarySleep> lived = ticks.of(c.id);
    EXPECT_EQ(ticks.countAfter(c.id, c.tickMs, SteadyTime::min()), lived.size()) << "sleeps of another length";
    ASSERT_EQ(regs.size(), c.atTicks.size());
    for (size_t i = 0; i < regs.size(); ++i) {
      const size_t tick = c.atTicks[i];
      ASSERT_LT(tick, lived.size());
      // Ticks never end early: nothing comes before its time on the clock.
      EXPECT_GE(regs[i] - start, static_cast<long long>(tick * c.tickMs) - 20) << "registration " << i;
      // The registration goes just before its tick's sleep begins.
      EXPECT_LE(regs[i] - start, ms_between(lived[0].began, lived[tick].began) + 500) << "registration " << i;
    }
  }
}

TEST_F(SessionCodes, ListenBreakWhileTheRegistrationIsPending) {
  startServers({"--servers", kServers, "--mute", "reg"});
  ASSERT_EQ(KV_SetServInfo("REGWAIT", kServers.c_str()), 0);
  auto run = listen_async("REGWAIT", 30);
  ASSERT_TRUE(awaitRecord("DEV_REG", "REGWAIT", 60000));
  ASSERT_TRUE(ticks.await("REGWAIT", 10, 1, 60000)) << "no tick of the wait was seen";
  KV_ListenBreak();
  const SteadyTime broken = std::chrono::steady_clock::now();
  ASSERT_EQ(run.wait_for(std::chrono::seconds(60)), std::future_status::ready);
  expectEndedWithinATick("REGWAIT", 10, broken);
  EXPECT_EQ(run.get().result, KV_ERR_LISTEN_BROKEN);
}

TEST_F(SessionCodes, TheSessionTableHoldsOneHundredTwentyEight) {
  RawPeer server("127.0.0.1", 60722);
  ASSERT_TRUE(server.ok());
  ASSERT_EQ(KV_SetServInfo("FILL", "127.0.0.1"), 0);
  std::vector<std::future<Timed>> listens;
  for (int i = 0; i < KV_MAX_SESSIONS; ++i) listens.push_back(listen_async("FILL", 30 | KV_LISTEN_NO_DETECT));
  ASSERT_TRUE(server.awaitCount(w::ZORP_MSG_HELLO, KV_MAX_SESSIONS, 180000)) << "not every listen got a slot";
  EXPECT_EQ(KV_Listen("FILL", 0, 30 | KV_LISTEN_NO_DETECT), KV_ERR_NO_FREE_SESSION);
  EXPECT_EQ(KV_Connect("FILL", 0, 15, KV_CONNECT_P2P | KV_CONNECT_ALT_LOOP, nullptr), KV_ERR_NO_FREE_SESSION);
  KV_ListenBreak();
  for (auto& l : listens) {
    ASSERT_EQ(l.wait_for(std::chrono::seconds(60)), std::future_status::ready);
    EXPECT_EQ(l.get().result, KV_ERR_LISTEN_BROKEN);
  }
}

TEST_F(SessionCodes, ClaimsGoOnAfterTheLastClaimedSlot) {
  startDevice({"--id", "CLAIMS", "--no-detect", "--sessions", "3"});
  ASSERT_EQ(KV_SetServInfo("CLAIMS", ""), 0);
  const int a = KV_Connect("CLAIMS", 0, 15, KV_CONNECT_LAN, "127.0.0.1");
  ASSERT_GE(a, 0);
  JsonEntry e;
  ASSERT_TRUE(deviceEvent("listening", &e, 60000));
  const int b = KV_Connect("CLAIMS", 0, 15, KV_CONNECT_LAN, "127.0.0.1");
  ASSERT_GE(b, 0);
  EXPECT_EQ(b, (a + 1) % KV_MAX_SESSIONS);
  ASSERT_EQ(KV_Close(a), 0);
  ASSERT_TRUE(deviceEvent("listening", &e, 60000));
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
      ASSERT_TRUE(deviceEvent("listening", &e, 60000));
    }
    ASSERT_GE(KV_Connect("DETONCE", 0, 15, flagsOf[i], "127.0.0.1"), 0);
    // Every HELLO was sent before the connect returned; wait (bounded) until
    // the record holds them: more than expected is a detection too many.
    std::vector<JsonEntry> hellos;
    for (const Stopwatch sw; (hellos = named(record(), "HELLO")).size() < hellosAfter[i] && sw.ms() < 60000;)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(hellos.size(), hellosAfter[i]) << hello_sources(record());
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
  int waiting = 0;
  bool released = false;
  std::vector<std::thread> listens;
  for (int i = 0; i < kListens; ++i)
    listens.emplace_back([&] {
      {
        std::unique_lock<std::mutex> lock(m);
        ++waiting;
        go.notify_all();
        go.wait(lock, [&] { return released; });
      }
      KV_Listen("TWINS", 0, 10 | KV_LISTEN_NO_DETECT);
    });
  {
    // Released once every thread waits for it.
    std::unique_lock<std::mutex> lock(m);
    go.wait_for(lock, std::chrono::seconds(60), [&] { return waiting == kListens; });
    released = true;
  }
  go.notify_all();
  std::set<uint16_t> ports;
  RawDatagram d;
  for (int i = 0; i < kListens && server.receiveType(w::ZORP_MSG_HELLO, &d, 60000); ++i)
    ports.insert(ntohs(d.from.sin_port));
  KV_ListenBreak();
  for (auto& t : listens) t.join();
  EXPECT_EQ(ports.size(), static_cast<size_t>(kListens)) << "sessions started in the same millisecond share a port";
}

}  // namespace
}  // namespace world_test
