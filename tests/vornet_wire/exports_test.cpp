// The exported interface: exactly 21 names in the shared library, and the
// argument and state answers of every session-side export.
#include <arpa/inet.h>
#include <dlfcn.h>
#include <sys/socket.h>
#include <unistd.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <thread>

#include "Vornet.h"
#include "core/library_state.h"
#include "directory/server_directory.h"
#include "netns_test.h"
#include "tick_log.h"
#include "udp_port.h"

namespace {

const char* const kExports[] = {
    "KV_GetAPIVersion", "KV_Initialize", "KV_DeInitialize", "KV_Listen", "KV_Connect",
    "KV_CheckSessionInfo", "KV_Send", "KV_Recv", "KV_Close", "KV_SetServInfo",
    "KV_SendWithChannel", "KV_RecvWithChannel", "KV_Connect_Break_By", "KV_DebugTrace",
    "KV_GetP2PBufSizeUsed", "KV_GetP2PBufSizeUsedWithChannel", "KV_ListenBreak", "KV_Recv2",
    "KV_SetLogPath", "KV_testStart", "KV_testStop"};

TEST(Exports, SharedLibraryExportsExactlyTheTwentyOneNames) {
  void* lib = dlopen(VORNET_SO_PATH, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(lib, nullptr) << dlerror();
  for (const char* name : kExports) EXPECT_NE(dlsym(lib, name), nullptr) << name;
  EXPECT_EQ(dlsym(lib, "_ZN6vornet3libEv"), nullptr);  // internal names stay hidden
  using Version = int (*)();
  EXPECT_EQ(reinterpret_cast<Version>(dlsym(lib, "KV_GetAPIVersion"))(), 0x03000900);
  dlclose(lib);

  const std::string cmd = std::string("nm -D --defined-only ") + VORNET_SO_PATH;
  FILE* p = popen(cmd.c_str(), "r");
  ASSERT_NE(p, nullptr);
  std::set<std::string> defined;
  char line[512];
  while (std::fgets(line, sizeof(line), p) != nullptr) {
    char addr[64], type[8], name[400];
    if (std::sscanf(line, "%63s %7s %399s", addr, type, name) == 3) defined.insert(name);
  }
  ASSERT_EQ(pclose(p), 0);
  EXPECT_EQ(defined, std::set<std::string>(std::begin(kExports), std::end(kExports)));
}

// Every test leaves the library de-initialised.
class ExportsState : public ::testing::Test {
 protected:
  void TearDown() override {
    while (KV_DeInitialize() == 0) {
    }
  }
};

int nextClaim() { return (vornet::lib().lastClaimed + 1) % 128; }

// Waits (bounded) until slot `index` has its socket open, i.e. a listen or
// connect is in its wait.
bool waitUntilWaiting(int index) {
  for (int i = 0; i < 300; ++i) {
    if (vornet::session_at(index).ioSocket.load() >= 0) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

using world_test::TickLog;

// The waits' ticks (KV_Listen and KV_Connect sleep 10 ms once per tick).
constexpr unsigned kTickMs = 10;

TEST_F(ExportsState, BeforeInitialisation) {
  EXPECT_EQ(KV_GetAPIVersion(), 0x03000900);
  EXPECT_EQ(KV_DeInitialize(), -1);
  const struct {
    const char* call;
    int got;
    int want;
  } rows[] = {
      {"Listen id null", KV_Listen(nullptr, 0, 10), -5},
      {"Listen", KV_Listen("DEV", 0, 10), -1},
      {"Connect id null", KV_Connect(nullptr, 0, 15, 7, nullptr), -5},
      {"Connect flags 0", KV_Connect("DEV", 0, 15, 0, nullptr), -5},
      {"Connect LAN, lanAddr null", KV_Connect("DEV", 0, 15, KV_CONNECT_LAN, nullptr), -5},
      {"Connect LAN, lanAddr empty", KV_Connect("DEV", 0, 15, KV_CONNECT_LAN, ""), -5},
      {"Connect", KV_Connect("DEV", 0, 15, 7, nullptr), -1},
      {"CheckSessionInfo out null", KV_CheckSessionInfo(0, nullptr), -5},
      {"Close negative", KV_Close(-1), 0},
      {"Close", KV_Close(0), -1},
      {"SetServInfo id null", KV_SetServInfo(nullptr, "1.2.3.4"), -5},
      {"SetServInfo list null", KV_SetServInfo("DEV", nullptr), -5},
      {"SetServInfo", KV_SetServInfo("DEV", ""), -1},
      {"Connect_Break_By", KV_Connect_Break_By("DEV"), -1},
      {"testStop", KV_testStop(), 0},
  };
  for (const auto& r : rows) EXPECT_EQ(r.got, r.want) << r.call;
  KV_SessionInfo info;
  std::memset(&info, 0xAB, sizeof(info));
  EXPECT_EQ(KV_CheckSessionInfo(0, &info), -1);
  EXPECT_EQ(info.socket, 0);
  KV_ListenBreak();  // does nothing, must not crash
  KV_SetLogPath(nullptr);
  KV_SetLogPath(std::string(400, 'p').c_str());
  KV_DebugTrace("%s %d", "ignored", 1);
}

TEST_F(ExportsState, TestStartPrintsEvenWithoutArgument) {
  EXPECT_EQ(KV_testStart("area"), static_cast<int>(std::strlen("1 zorp_testStart, pServArea=area \n")));
  EXPECT_GT(KV_testStart(nullptr), 0);
}

TEST_F(ExportsState, AfterInitialisation) {
  REQUIRE_PRIVATE_NETNS();
  ASSERT_EQ(KV_Initialize(), 0);
  ASSERT_EQ(KV_Initialize(), 0);  // a second call changes nothing
  ASSERT_EQ(KV_SetServInfo("DEV", ""), 0);
  const std::string longId(64, 'L');
  const struct {
    const char* call;
    int got;
    int want;
  } rows[] = {
      {"Close 128", KV_Close(128), -11},
      {"Close free slot", KV_Close(0), -11},
      {"Close negative", KV_Close(-7), 0},
      {"CheckSessionInfo 128", KV_CheckSessionInfo(128, nullptr), -5},
      {"Listen wait 0", KV_Listen("DEV", 0, 0), -5},
      {"Listen wait 86401", KV_Listen("DEV", 0, 86401), -5},
      {"Listen wait 0 with flags", KV_Listen("DEV", 0, KV_LISTEN_NO_DETECT), -5},
      {"Listen unknown id", KV_Listen("NOPE", 0, 10), -24},
      {"Connect unknown id", KV_Connect("NOPE", 0, 15, 7, nullptr), -24},
      {"Connect id over 63", KV_Connect(longId.c_str(), 0, 15, 7, nullptr), -4},
      {"Connect_Break_By unknown", KV_Connect_Break_By("NOPE"), -24},
      {"Connect_Break_By, nothing waiting", KV_Connect_Break_By("DEV"), 0},
  };
  for (const auto& r : rows) EXPECT_EQ(r.got, r.want) << r.call;

  for (int handle : {0, 127, 128, -1}) {
    KV_SessionInfo info;
    std::memset(&info, 0xAB, sizeof(info));
    EXPECT_EQ(KV_CheckSessionInfo(handle, &info), -11) << handle;
    EXPECT_EQ(info.socket, 0);
    EXPECT_EQ(info.role, 0);
    EXPECT_EQ(info.linkMode, 0);
    EXPECT_EQ(info.secondsLinked, 0);
    EXPECT_EQ(info.remote.sin_port, 0);
    EXPECT_EQ(info.publicAddr.sin_addr.s_addr, 0u);
    EXPECT_EQ(info.id[0], '\0');
    EXPECT_EQ(info.reserved1[0], 0xAB);  // fields not listed are not written
    EXPECT_EQ(info.reserved2[3], 0xAB);
  }
  EXPECT_EQ(KV_DeInitialize(), 0);
  EXPECT_EQ(KV_DeInitialize(), -1);
}

TEST_F(ExportsState, TakenPortsGiveBindFailed) {
  REQUIRE_PRIVATE_NETNS();
  ASSERT_EQ(KV_Initialize(), 0);
  ASSERT_EQ(KV_SetServInfo("DEV", "127.0.0.1"), 0);
  const int holder = socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(23456);
  ASSERT_EQ(bind(holder, reinterpret_cast<sockaddr*>(&a), sizeof(a)), 0);
  const int slot = nextClaim();
  EXPECT_EQ(KV_Listen("DEV", 23456, 10), -18);  // the detection's port
  EXPECT_EQ(KV_Connect("DEV", 23456, 15, KV_CONNECT_P2P | KV_CONNECT_ALT_LOOP, nullptr), -18);
  EXPECT_EQ(KV_Connect("DEV", 23456, 15, KV_CONNECT_P2P, nullptr), -18);  // detection first
  EXPECT_EQ(vornet::session_at(slot).socket.load(), -1);  // every failure released its slot
  EXPECT_EQ(vornet::lib().lastDetectionTime.load(), 0);
  close(holder);
}

TEST_F(ExportsState, LongServerListIsParsedWhole) {
  ASSERT_EQ(KV_Initialize(), 0);
  const std::string list = "1.1.1.1,2.2.2.2,3.3.3.3," + std::string(300, 'x');
  ASSERT_EQ(KV_SetServInfo("LONG", list.c_str()), 0);
  std::lock_guard<std::recursive_mutex> lock(vornet::mainMutex());
  vornet::ZORP_ServerRecord* r = nullptr;
  ASSERT_EQ(vornet::directory_lookup(vornet::lib().directory, "LONG", &r), 0);
  EXPECT_STREQ(r->server[2], "3.3.3.3");
  EXPECT_EQ(r->serverAddr[2].sin_addr.s_addr, inet_addr("3.3.3.3"));
}

TEST_F(ExportsState, ListenOfOneDayIsAcceptedAndEndsOnBreak) {
  REQUIRE_PRIVATE_NETNS();
  ASSERT_EQ(KV_Initialize(), 0);
  ASSERT_EQ(KV_SetServInfo("DEV", ""), 0);
  const int slot = nextClaim();
  std::atomic<int> result{1};
  std::thread t([&] { result = KV_Listen("DEV", 0, 86400 | KV_LISTEN_NO_DETECT); });
  ASSERT_TRUE(waitUntilWaiting(slot));
  // Still listening: not a handle yet.  Nothing may be queued on lists
  // that the link resets, and the close leaves the listen alone.
  const char data[4] = {1, 2, 3, 4};
  KV_SessionInfo info{};
  EXPECT_EQ(KV_Send(slot, data, 4, 0), -11);
  EXPECT_EQ(KV_Send(slot, data, 4, 127), -11);
  EXPECT_EQ(KV_SendWithChannel(slot, 1, data, 4), -11);
  EXPECT_EQ(KV_GetP2PBufSizeUsed(slot, 1), -11);
  EXPECT_EQ(KV_CheckSessionInfo(slot, &info), -11);
  EXPECT_EQ(KV_Close(slot), -11);
  EXPECT_GE(vornet::session_at(slot).ioSocket.load(), 0);
  KV_ListenBreak();
  t.join();
  EXPECT_EQ(result.load(), -16);
  EXPECT_EQ(vornet::session_at(slot).socket.load(), -1);  // released by the failed listen
}

TEST_F(ExportsState, ListenBreakDuringDetectionRecordsNoDetection) {
  REQUIRE_PRIVATE_NETNS();
  ASSERT_EQ(KV_Initialize(), 0);
  ASSERT_EQ(KV_SetServInfo("DEV", "127.0.0.1"), 0);  // nobody answers there
  vornet::lib().natType = 3;  // left from an earlier detection
  constexpr uint16_t kDetectPort = 23458;
  std::atomic<int> result{1};
  std::thread t([&] { result = KV_Listen("DEV", kDetectPort, 30); });
  // The detection's socket is open: the detection runs (its answers would
  // come to that port).
  const bool detecting = testsupport::waitForOwnUdpPort(kDetectPort, 60000);
  KV_ListenBreak();
  t.join();
  ASSERT_TRUE(detecting) << "the detection did not start";
  EXPECT_EQ(result.load(), -16);
  // A detection that let the break wait for its 3.5 s budget would have
  // ended as a detection of its own, with a time.
  EXPECT_EQ(vornet::lib().natType.load(), 0);
  EXPECT_EQ(vornet::lib().lastDetectionTime.load(), 0);  // the next listen detects for real
}

TEST_F(ExportsState, AnotherListenDoesNotStretchARunningWait) {
  REQUIRE_PRIVATE_NETNS();
  ASSERT_EQ(KV_Initialize(), 0);
  // Empty lists: the detection has nobody to ask and ends at once.
  ASSERT_EQ(KV_SetServInfo("SHORT", ""), 0);
  ASSERT_EQ(KV_SetServInfo("LONG", ""), 0);
  const int slot = nextClaim();
  const TickLog ticks;
  std::atomic<int> shortResult{1};
  std::thread a([&] {
    const TickLog::Watch watch("short");
    shortResult = KV_Listen("SHORT", 0, 1);  // 10 ms ticks, one second
  });
  ASSERT_TRUE(waitUntilWaiting(slot));
  // Its wait runs: it has read its limit.
  ASSERT_TRUE(ticks.await("short", kTickMs, 10, 60000)) << "no tick of the short wait";
  // A second listen sets the library's countdown to its own, longer wait.
  std::atomic<int> longResult{1};
  std::thread b([&] { longResult = KV_Listen("LONG", 0, 5 | KV_LISTEN_NO_DETECT); });
  a.join();
  EXPECT_EQ(shortResult.load(), -3);
  // One second of ticks, not the five of the other wait.
  EXPECT_EQ(ticks.countAfter("short", kTickMs, world_test::SteadyTime::min()), 100u);
  KV_ListenBreak();
  b.join();
  EXPECT_EQ(longResult.load(), -16);
}

TEST_F(ExportsState, DetectionEndsDespiteAStreamOfUnrelatedDatagrams) {
  REQUIRE_PRIVATE_NETNS();
  ASSERT_EQ(KV_Initialize(), 0);
  ASSERT_EQ(KV_SetServInfo("DEV", "127.0.0.1"), 0);  // never answers
  constexpr uint16_t kDetectPort = 23457;
  std::atomic<bool> stop{false};
  std::thread flood([&] {
    const int s = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(kDetectPort);
    to.sin_addr.s_addr = inet_addr("127.0.0.1");
    const uint8_t junk[4] = {0xF1, 0x99, 0, 0};  // valid header, not an answer
    for (int i = 0; i < 400 && !stop; ++i) {
      sendto(s, junk, sizeof(junk), 0, reinterpret_cast<sockaddr*>(&to), sizeof(to));
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    close(s);
  });
  std::atomic<int> result{1};
  std::thread t([&] { result = KV_Listen("DEV", kDetectPort, 30); });
  // The detection's budget only shrinks on quiet waits; the stream keeps
  // it from ever being quiet, the clock still ends it after 3.5 s.
  for (int i = 0; i < 600 && vornet::lib().lastDetectionTime.load() == 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_NE(vornet::lib().lastDetectionTime.load(), 0);
  EXPECT_EQ(vornet::lib().natType.load(), 0);
  KV_ListenBreak();
  t.join();
  stop = true;
  flood.join();
  EXPECT_EQ(result.load(), -16);
}

TEST_F(ExportsState, DeInitialiseWaitsForARunningListen) {
  REQUIRE_PRIVATE_NETNS();
  ASSERT_EQ(KV_Initialize(), 0);
  ASSERT_EQ(KV_SetServInfo("DEV", ""), 0);
  const int slot = nextClaim();
  std::atomic<int> result{1};
  std::atomic<bool> returned{false};
  std::thread t([&] {
    result = KV_Listen("DEV", 0, 60 | KV_LISTEN_NO_DETECT);
    returned = true;
  });
  ASSERT_TRUE(waitUntilWaiting(slot));
  EXPECT_EQ(KV_DeInitialize(), 0);
  EXPECT_TRUE(returned.load());  // the listen was over before teardown finished
  t.join();
  EXPECT_EQ(result.load(), -16);
  EXPECT_EQ(vornet::session_at(slot).socket.load(), -1);
}

TEST_F(ExportsState, ConnectBreakEndsTheAttemptLoopWithinATick) {
  REQUIRE_PRIVATE_NETNS();
  ASSERT_EQ(KV_Initialize(), 0);
  ASSERT_EQ(KV_SetServInfo("DEV", "127.0.0.1"), 0);
  const int slot = nextClaim();
  const TickLog ticks;
  std::atomic<int> result{1};
  std::thread t([&] {
    const TickLog::Watch watch("connect");
    result = KV_Connect("DEV", 0, 15, KV_CONNECT_P2P | KV_CONNECT_ALT_LOOP, nullptr);
  });
  ASSERT_TRUE(waitUntilWaiting(slot));
  ASSERT_TRUE(ticks.await("connect", kTickMs, 10, 60000)) << "no tick of the attempt loop";
  EXPECT_EQ(KV_Connect_Break_By("DEV"), 0);
  const world_test::SteadyTime broken = std::chrono::steady_clock::now();
  t.join();
  EXPECT_EQ(result.load(), -19);
  // Broken, not run out: the tick that had looked at the flag may still
  // sleep, no later one begins (the 12 s loop has 1,200).
  EXPECT_LE(ticks.countAfter("connect", kTickMs, broken), 1u);
}

TEST_F(ExportsState, BreakByFollowsNoStaleBackLink) {
  REQUIRE_PRIVATE_NETNS();
  ASSERT_EQ(KV_Initialize(), 0);
  ASSERT_EQ(KV_SetServInfo("OLD", ""), 0);
  ASSERT_EQ(KV_SetServInfo("DEV", "127.0.0.1"), 0);
  const int slot = nextClaim();
  std::atomic<int> result{1};
  std::thread t([&] { result = KV_Connect("DEV", 0, 15, KV_CONNECT_P2P | KV_CONNECT_ALT_LOOP, nullptr); });
  ASSERT_TRUE(waitUntilWaiting(slot));
  {
    // The record of "OLD" still points at a slot it used before, which now
    // belongs to another id's connect.
    std::lock_guard<std::recursive_mutex> lock(vornet::mainMutex());
    vornet::ZORP_ServerRecord* r = nullptr;
    ASSERT_EQ(vornet::directory_lookup(vornet::lib().directory, "OLD", &r), 0);
    r->session = static_cast<int16_t>(slot);
  }
  EXPECT_EQ(KV_Connect_Break_By("OLD"), 0);
  EXPECT_EQ(vornet::session_at(slot).breakFlag.load(), 0);
  EXPECT_EQ(KV_Connect_Break_By("DEV"), 0);
  t.join();
  EXPECT_EQ(result.load(), -19);
}

}  // namespace
