// Connection statuses, poll codes, disconnect and the life cycle of the
// library against the scripted transport.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "link_fixture.h"
#include "test_frames.h"

using frames::Bytes;
using namespace linktest;

namespace {

using Clock = std::chrono::steady_clock;

struct StatusCase {
  const char* label;
  int connectResult;
  bool auth;
  uint8_t relayed;
  Bytes camera;  // what the camera sends once linked
  std::vector<int> expected;
  std::vector<int> linkModes;
};

void PrintTo(const StatusCase& c, std::ostream* os) { *os << c.label; }

Bytes status153(std::initializer_list<uint8_t> payload) { return frames::hh01(153, Bytes(payload)); }

Bytes join(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) frames::append(out, p);
  return out;
}

class Statuses : public LinkTest, public ::testing::WithParamInterface<StatusCase> {};

TEST_P(Statuses, SequenceAsReported) {
  const StatusCase& c = GetParam();
  fakekv::scriptConnect("S1", c.connectResult);
  if (c.connectResult >= 0) fakekv::setLinkMode(c.connectResult, c.relayed);
  if (!c.camera.empty()) fakekv::push(c.connectResult, c.camera);
  const MSG_AUTH_REQ t = token(c.auth);
  ASSERT_EQ(0, APP_connect("S1", "key", 3, &t, 7, "10.1.2.3"));
  ASSERT_TRUE(waitStatuses("S1", c.expected));
  std::this_thread::sleep_for(std::chrono::milliseconds(60));  // nothing further arrives
  std::vector<int> modes;
  for (const Event& e : recorder().events())
    if (e.type == E_MSG_CONN_STATUS) modes.push_back(e.linkMode);
  EXPECT_EQ(statuses(recorder().events(), "S1"), c.expected);
  EXPECT_EQ(modes, c.linkModes);
  EXPECT_EQ(fakekv::lastConnectLanAddr(), "10.1.2.3");
  EXPECT_EQ(fakekv::lastConnectFlags(), 7u);
  // A session with a handle refuses another connect; one without retries.
  const int again = APP_connect("S1", "key", 3, &t, 7, "10.1.2.3");
  EXPECT_EQ(again, c.connectResult >= 0 ? E_APP_ERR_ALREADY_CONNECTED : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Statuses,
    ::testing::Values(
        StatusCase{"offline", -6, false, 0, {}, {1, 4}, {0, 0}},
        StatusCase{"timeout", -3, false, 0, {}, {1, 5}, {0, 0}},
        StatusCase{"no_server_info", -24, true, 0, {}, {1, 5}, {0, 0}},
        StatusCase{"direct_no_auth", 5, false, 0, {}, {1, 10}, {0, 1}},
        StatusCase{"relayed_no_auth", 6, false, 1, {}, {1, 10}, {0, 2}},
        StatusCase{"auth_accepted", 7, true, 0, frames::hh01(151, {0}), {1, 10}, {0, 1}},
        StatusCase{"auth_refused", 8, true, 1, frames::hh01(151, {1}), {1, 2}, {0, 2}},
        StatusCase{"auth_empty_answer_refused", 9, true, 0, join({frames::hh01(151, {}), Bytes(48, 0)}), {1, 2},
                   {0, 1}},
        StatusCase{"camera_status_3", 10, true, 0, join({frames::hh01(151, {0}), status153({3, 0, 0, 0})}),
                   {1, 10, 3}, {0, 1, 1}},
        StatusCase{"short_status_ignored", 11, false, 0, join({status153({3, 0}), status153({7, 0, 0, 0})}),
                   {1, 10, 7}, {0, 1, 1}}),
    [](const ::testing::TestParamInfo<StatusCase>& i) { return std::string(i.param.label); });

class PollCodes : public LinkTest, public ::testing::WithParamInterface<int> {};

TEST_P(PollCodes, LostSessionCodesCloseAndReportDisconnected) {
  const int code = GetParam();
  const bool lost = code == -20 || code == -14 || code == -13 || code == -12 || code == -11 || code == -8 ||
                    code == -5 || code == -4;
  connectTo("P1", 12);
  fakekv::setPollError(12, code);
  if (lost) {
    ASSERT_TRUE(waitStatuses("P1", {1, 10, 6}));
    EXPECT_EQ(recorder().events().back().linkMode, 0);
    EXPECT_EQ(fakekv::closed(), std::vector<int>{12});
    EXPECT_EQ(E_APP_ERR_NO_SESSION, APP_send("P1", nullptr, 256, nullptr, 0, 127));
  } else {
    std::this_thread::sleep_for(std::chrono::milliseconds(80));
    EXPECT_EQ(statuses(recorder().events(), "P1"), (std::vector<int>{1, 10}));
    EXPECT_TRUE(fakekv::closed().empty());
    EXPECT_EQ(48, APP_send("P1", nullptr, 256, nullptr, 0, 127));
  }
}

INSTANTIATE_TEST_SUITE_P(Codes, PollCodes, ::testing::Values(-20, -14, -13, -12, -11, -8, -5, -4, -1, -3, -6, -23, -2),
                         [](const ::testing::TestParamInfo<int>& i) { return "code" + std::to_string(-i.param); });

TEST_F(LinkTest, DisconnectDuringPendingConnectReportsFailureAndNoDisconnect) {
  fakekv::blockConnect("D1", 0, 30000);
  const MSG_AUTH_REQ t = token(false);
  ASSERT_EQ(0, APP_connect("D1", nullptr, 0, &t, 7, nullptr));
  ASSERT_TRUE(waitStatuses("D1", {1}));
  ASSERT_TRUE(fakekv::awaitClaimed("D1", 60000));
  EXPECT_EQ(0, APP_disconnect("D1"));
  EXPECT_EQ(fakekv::brokenConnects("D1"), 1) << "the disconnect waited for the connect's 30 s";
  EXPECT_EQ(statuses(recorder().events(), "D1"), (std::vector<int>{1, 5}));
  EXPECT_TRUE(fakekv::closed().empty());
}

TEST_F(LinkTest, BreakIssuedBeforeTheTransportClaimsItsSlotIsRepeated) {
  // The transport ignores breaks for its first 2 s; one break would be
  // lost and the caller blocked for the whole (here 30 s) connect.
  fakekv::blockConnect("D2", 2000, 30000);
  const MSG_AUTH_REQ t = token(false);
  ASSERT_EQ(0, APP_connect("D2", nullptr, 0, &t, 7, nullptr));
  // The disconnect comes while the transport's connect runs but has not
  // claimed its slot yet (APP_connect returns before its thread gets there).
  for (int i = 0; i < 6000 && fakekv::connectCalls("D2") == 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_EQ(fakekv::connectCalls("D2"), 1);
  EXPECT_EQ(0, APP_disconnect("D2"));
  // Every connect the transport was asked for was broken, none waited out.
  EXPECT_EQ(fakekv::brokenConnects("D2"), fakekv::connectCalls("D2"))
      << "the disconnect waited for the connect's 30 s";
  EXPECT_GE(fakekv::breakCalls("D2"), 2);
  const std::vector<int> got = statuses(recorder().events(), "D2");
  EXPECT_TRUE(got == std::vector<int>({1, 5}) || got.empty()) << "statuses " << got.size();
}

TEST_F(LinkTest, DisconnectOfAConnectedSessionReportsSixOnTheCallersThreadBeforeReturning) {
  connectTo("D3", 21);
  EXPECT_EQ(0, APP_disconnect("D3"));
  const std::vector<Event> ev = recorder().events();  // no wait: already there
  ASSERT_EQ(statuses(ev, "D3"), (std::vector<int>{1, 10, 6}));
  EXPECT_EQ(ev.back().thread, std::this_thread::get_id());
  EXPECT_EQ(ev.back().linkMode, 0);
  EXPECT_EQ(fakekv::closed(), std::vector<int>{21});
  EXPECT_EQ(E_APP_ERR_NO_SESSION, APP_send("D3", nullptr, 256, nullptr, 0, 127));
}

TEST_F(LinkTest, DisconnectOfAnUnknownSerialReportsNothing) {
  EXPECT_EQ(0, APP_disconnect("UNKNOWN"));
  EXPECT_EQ(E_APP_ERR_INVALID_PARAM, APP_disconnect(nullptr));
  EXPECT_TRUE(recorder().events().empty());
}

TEST_F(LinkTest, ConnectWhileTheConnectThreadRunsNeitherRestartsNorRefreshes) {
  // The transport gives up when the test says so (a minute at the most).
  fakekv::blockConnect("R1", 0, 60000);
  const MSG_AUTH_REQ t = token(false);
  ASSERT_EQ(0, APP_connect("R1", "k1", 2, &t, 7, "10.0.0.1"));
  ASSERT_TRUE(waitStatuses("R1", {1}));
  ASSERT_TRUE(fakekv::awaitClaimed("R1", 60000));
  EXPECT_EQ(0, APP_connect("R1", "k2", 2, &t, 3, "10.0.0.2"));
  fakekv::giveUpBlockedConnect("R1");
  ASSERT_TRUE(waitStatuses("R1", {1, 5}));
  EXPECT_EQ(fakekv::connectCalls("R1"), 1);
  // Status 5 comes just before the thread ends: retry as the client does
  // until the next connect thread starts.
  for (int i = 0; i < 3000 && fakekv::connectCalls("R1") < 2; ++i) {
    EXPECT_EQ(0, APP_connect("R1", "k3", 2, &t, 3, "10.0.0.3"));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  fakekv::giveUpBlockedConnect("R1");
  ASSERT_TRUE(waitStatuses("R1", {1, 5, 1, 5}));
  EXPECT_EQ(fakekv::connectCalls("R1"), 2);
  EXPECT_EQ(fakekv::lastConnectLanAddr(), "10.0.0.3");
  EXPECT_EQ(fakekv::lastConnectFlags(), 3u);
}

TEST_F(LinkTest, LanAddressIsCutTo31Characters) {
  fakekv::scriptConnect("L1", 1);
  const MSG_AUTH_REQ t = token(false);
  ASSERT_EQ(0, APP_connect("L1", nullptr, 0, &t, 7, "127.0.0.1:60722,127.0.0.2:60722,127.0.0.3:60722"));
  ASSERT_TRUE(waitStatuses("L1", {1, 10}));
  EXPECT_EQ(fakekv::lastConnectLanAddr(), "127.0.0.1:60722,127.0.0.2:60722");
}

TEST_F(LinkTest, ConnectArgumentChecks) {
  const MSG_AUTH_REQ t = token(false);
  const std::string key(257, 'k');
  EXPECT_EQ(E_APP_ERR_INVALID_PARAM, APP_connect(nullptr, nullptr, 0, &t, 7, nullptr));
  EXPECT_EQ(E_APP_ERR_INVALID_PARAM, APP_connect("C1", nullptr, 0, nullptr, 7, nullptr));
  EXPECT_EQ(E_APP_ERR_INVALID_PARAM, APP_connect("C1", key.data(), 257, &t, 7, nullptr));
  EXPECT_EQ(E_APP_ERR_INVALID_PARAM, APP_connect("C1", key.data(), -1, &t, 7, nullptr));
  EXPECT_EQ(E_APP_ERR_INVALID_PARAM, APP_connect("C1", key.data(), INT32_MIN, &t, 7, nullptr));
  EXPECT_EQ(E_APP_ERR_INVALID_PARAM, APP_connect("ABCDEFGHIJKLMNOPQRST", nullptr, 0, &t, 7, nullptr));
  EXPECT_EQ(fakekv::connectCalls("C1"), 0);
  fakekv::scriptConnect("ABCDEFGHIJKLMNOPQRS", 1);
  EXPECT_EQ(0, APP_connect("ABCDEFGHIJKLMNOPQRS", key.data(), 256, &t, 7, nullptr));
  EXPECT_TRUE(waitStatuses("ABCDEFGHIJKLMNOPQRS", {1, 10}));
}

TEST_F(LinkTest, EveryCallBeforeInitIsRefused) {
  APP_uninit();
  const MSG_AUTH_REQ t = token(false);
  uint8_t buf[4];
  int len = 4;
  EXPECT_EQ(E_APP_ERR_NOT_INIT, APP_setServInfo("X", "127.0.0.1"));
  EXPECT_EQ(E_APP_ERR_NOT_INIT, APP_connect("X", nullptr, 0, &t, 7, nullptr));
  EXPECT_EQ(E_APP_ERR_NOT_INIT, APP_disconnect("X"));
  EXPECT_EQ(E_APP_ERR_NOT_INIT, APP_send("X", nullptr, 256, nullptr, 0, 127));
  EXPECT_EQ(E_APP_ERR_NOT_INIT, APPT_send("X", buf, 4, 0));
  EXPECT_EQ(E_APP_ERR_NOT_INIT, APPT_recv("X", buf, &len, 0, nullptr));
  EXPECT_EQ(E_APP_ERR_LAN_NOT_INIT, APP_LANSearchStart(nullptr, nullptr));
  APP_uninit();  // a second uninit does nothing
}

int otherMsg(const HCHAR*, HUINT32, HCHAR*, HUINT32, HCHAR*, HINT32, void*) {
  ADD_FAILURE() << "the second APP_init's callback was called";
  return 0;
}

TEST_F(LinkTest, OnlyTheFirstInitActs) {
  APP_INIT_PARAM other{};
  other.nEncMsg = 1;
  other.pfnRecvMsg = otherMsg;
  EXPECT_EQ(0, APP_init(&other));
  connectTo("I1", 1);  // statuses reach the first callbacks
  APP_send("I1", nullptr, 256, nullptr, 0, 127);
  EXPECT_EQ(fakekv::sent().back().data[4], 0);  // the first init's flags
  EXPECT_EQ(E_APP_ERR_INVALID_PARAM, APP_init(nullptr));
}

TEST_F(LinkTest, VersionAndPassThroughs) {
  EXPECT_EQ(0x01001000, APP_getAPIVersion());
  EXPECT_EQ(0, APP_setServInfo("X", "127.0.0.1"));
  EXPECT_EQ(-5, APP_setServInfo(nullptr, "127.0.0.1"));
  EXPECT_EQ(5, testStart("areas"));
  EXPECT_EQ(0, testStop());
}

TEST_F(LinkTest, UninitEndsPendingConnectsAndClosesLinkedSessions) {
  connectTo("U1", 30);
  fakekv::blockConnect("U2", 0, 30000);
  const MSG_AUTH_REQ t = token(false);
  ASSERT_EQ(0, APP_connect("U2", nullptr, 0, &t, 7, nullptr));
  ASSERT_TRUE(waitStatuses("U2", {1}));
  ASSERT_TRUE(fakekv::awaitClaimed("U2", 60000));
  APP_uninit();
  EXPECT_EQ(fakekv::brokenConnects("U2"), 1) << "the uninit waited for the connect's 30 s";
  EXPECT_EQ(statuses(recorder().events(), "U2"), (std::vector<int>{1, 5}));
  EXPECT_EQ(fakekv::closed(), std::vector<int>{30});
  // Initialised again, the library works as new.
  reinit(0, 0);
  recorder().clear();
  connectTo("U1", 31);
}

TEST_F(LinkTest, CallsRacingUninitNeitherHangNorLeaveThreadsBehind) {
  // Another thread keeps connecting, sending and disconnecting while the
  // library is shut down and started again. A hang here ends the program.
  static std::atomic<bool> finished{false};
  finished = false;
  std::thread watchdog([] {
    for (int i = 0; i < 300 && !finished; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    if (!finished) {
      std::fprintf(stderr, "APP_uninit racing APP_connect did not finish within 30 s\n");
      std::_Exit(1);
    }
  });
  std::atomic<bool> stop{false};
  std::thread caller([&] {
    const MSG_AUTH_REQ t = token(false);
    for (int i = 0; !stop && i < 10000000; ++i) {
      const std::string sn = "RC" + std::to_string(i % 5);
      APP_connect(sn.c_str(), "k", 1, &t, 7, nullptr);
      APP_send(sn.c_str(), nullptr, 256, nullptr, 0, 127);
      if (i % 3 == 0) APP_disconnect(sn.c_str());
    }
  });
  const APP_INIT_PARAM p = recordingParam(0, 0);
  const auto until = Clock::now() + std::chrono::milliseconds(1500);
  for (int cycle = 0; cycle < 100000 && Clock::now() < until; ++cycle) {
    APP_uninit();
    APP_init(&p);
  }
  APP_uninit();
  stop = true;
  caller.join();
  finished = true;
  watchdog.join();
  // No receive or connect thread outlives the last APP_uninit.
  const size_t count = recorder().events().size();
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(recorder().events().size(), count);
  EXPECT_EQ(E_APP_ERR_NOT_INIT, APP_send("RC0", nullptr, 256, nullptr, 0, 127));
}

}  // namespace
