// APPT_recv over the real libraries: a Tessan session to a channel_peer,
// which echoes channel 1. A message whose payload stalls after its header
// never holds APPT_recv beyond its time-out, and comes out whole later.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "Tessan.h"
#include "Vornet.h"
#include "child_process.h"
#include "fresh_netns.h"
#include "netns_test.h"
#include "recorder.h"

using namespace linktest;

namespace {

using Bytes = std::vector<uint8_t>;

class ChannelOneLink : public ::testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_PRIVATE_NETNS();
    const std::string ns = testsupport::enterFreshNetworkNamespace();
    ASSERT_TRUE(ns.empty()) << ns;
    recorder().clear();
  }
  void TearDown() override {
    APP_uninit();
    peer_.stop();
  }

  // The transport session the library opened for `sn` (found by its id).
  static int transportHandle(const std::string& sn) {
    for (int h = 0; h < 128; ++h) {
      KV_SessionInfo info{};
      if (KV_CheckSessionInfo(h, &info) == 0 && std::strstr(info.id, sn.c_str()) != nullptr) return h;
    }
    return -1;
  }

  testworld::ChildProcess peer_;
};

TEST_F(ChannelOneLink, AStalledPayloadNeverHoldsAPPTRecvBeyondItsTimeOut) {
  const std::string sn = "ONE" + std::to_string(::getpid() % 100000);
  std::string error;
  ASSERT_TRUE(peer_.start(CHANNEL_PEER_PROGRAM, {"--id", sn, "--lifetime", "60"}, &error)) << error;
  const APP_INIT_PARAM p = recordingParam(0, 0);
  ASSERT_EQ(0, APP_init(&p));
  ASSERT_EQ(0, APP_setServInfo(sn.c_str(), ""));
  const MSG_AUTH_REQ t = token(false);
  ASSERT_EQ(0, APP_connect(sn.c_str(), nullptr, 0, &t, KV_CONNECT_LAN, "127.0.0.1"));
  ASSERT_TRUE(recorder().waitFor(
      [&](const std::vector<Event>& ev) {
        const std::vector<int> s = statuses(ev, sn);
        return !s.empty() && s.back() == E_CONN_STATUS_ONLINE;
      },
      15000));
  const int h = transportHandle(sn);
  ASSERT_GE(h, 0);

  // Header (1000 bytes, type 5) and 300 payload bytes, echoed back on channel 1.
  Bytes message = {0xE8, 0x03, 0x00, 0x05};
  for (int i = 0; i < 1000; ++i) message.push_back(static_cast<uint8_t>(i * 7 + 1));
  ASSERT_EQ(KV_SendWithChannel(h, 1, message.data(), 304), 304);
  for (int i = 0; i < 500 && APPT_recv(sn.c_str(), nullptr, nullptr, 0, nullptr) < 304; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_EQ(APPT_recv(sn.c_str(), nullptr, nullptr, 0, nullptr), 304);

  Bytes buf(2000);
  for (int i = 0; i < 3; ++i) {
    int len = static_cast<int>(buf.size());
    uint8_t type = 9;
    const auto t0 = std::chrono::steady_clock::now();
    ASSERT_EQ(APPT_recv(sn.c_str(), buf.data(), &len, 250, &type), KV_ERR_TIMEOUT) << "read " << i;
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0).count();
    std::printf("[ figures  ] APPT_recv 250 ms on a stalled payload: returned after %lld ms\n",
                static_cast<long long>(ms));
    EXPECT_EQ(len, 0);
    EXPECT_EQ(APPT_recv(sn.c_str(), nullptr, nullptr, 0, nullptr), 300);
  }

  ASSERT_EQ(KV_SendWithChannel(h, 1, message.data() + 304, 700), 700);
  const Bytes next = {2, 0, 0, 6, 'o', 'k'};
  ASSERT_EQ(KV_SendWithChannel(h, 1, next.data(), int(next.size())), int(next.size()));
  int len = static_cast<int>(buf.size());
  uint8_t type = 0;
  ASSERT_EQ(APPT_recv(sn.c_str(), buf.data(), &len, 5000, &type), 0);
  ASSERT_EQ(len, 1000);
  EXPECT_EQ(type, 5);
  EXPECT_TRUE(std::equal(buf.begin(), buf.begin() + 1000, message.begin() + 4));
  len = static_cast<int>(buf.size());
  ASSERT_EQ(APPT_recv(sn.c_str(), buf.data(), &len, 5000, &type), 0);
  EXPECT_EQ(Bytes(buf.begin(), buf.begin() + len), (Bytes{'o', 'k'}));
  EXPECT_EQ(type, 6);
}

}  // namespace
