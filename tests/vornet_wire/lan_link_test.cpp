// A LAN link inside one process: KV_Listen on one thread, KV_Connect with
// KV_CONNECT_LAN toward 127.0.0.1 on another, then the close rules.
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "Vornet.h"
#include "core/library_state.h"
#include "netns_test.h"
#include "udp_port.h"

namespace {

class LanLink : public ::testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_PRIVATE_NETNS();
    ASSERT_EQ(KV_Initialize(), 0);
    ASSERT_EQ(KV_SetServInfo(kId, ""), 0);
    listener = std::thread([this] { listenResult = KV_Listen(kId, 0, 10 | KV_LISTEN_NO_DETECT); });
    // The listener answers LAN searches once its LAN socket is bound.
    ASSERT_TRUE(testsupport::waitForOwnUdpPort(32108, 60000)) << "the listener's LAN socket never opened";
    connectResult = KV_Connect(kId, 0, 15, KV_CONNECT_LAN, "127.0.0.1");
    listener.join();
  }
  void TearDown() override {
    if (listener.joinable()) {
      KV_ListenBreak();
      listener.join();
    }
    KV_DeInitialize();
  }

  static constexpr const char* kId = "VEK-LAN-0001";
  std::thread listener;
  std::atomic<int> listenResult{1};
  int connectResult = 1;
};

TEST_F(LanLink, LinksBothEndsDirectlyWithSessionInfo) {
  ASSERT_GE(connectResult, 0);
  ASSERT_GE(listenResult.load(), 0);
  ASSERT_NE(connectResult, listenResult.load());

  KV_SessionInfo c{}, l{};
  ASSERT_EQ(KV_CheckSessionInfo(connectResult, &c), 0);
  ASSERT_EQ(KV_CheckSessionInfo(listenResult, &l), 0);
  EXPECT_EQ(c.role, 0);
  EXPECT_EQ(l.role, 1);
  EXPECT_EQ(c.linkMode, 0);
  EXPECT_EQ(l.linkMode, 0);
  EXPECT_STREQ(c.id, kId);
  EXPECT_STREQ(l.id, kId);
  EXPECT_GE(c.secondsLinked, 0);
  EXPECT_LE(c.secondsLinked, 60);
  EXPECT_GT(c.socket, 0);
  // Each end's remote is the other's bound port.
  EXPECT_EQ(c.remote.sin_port, l.local.sin_port);
  EXPECT_EQ(l.remote.sin_port, c.local.sin_port);
  EXPECT_EQ(c.remote.sin_family, AF_INET);
  const int cPort = ntohs(c.local.sin_port);
  EXPECT_GE(cPort, 10000);
  EXPECT_LE(cPort, 29999);
  EXPECT_EQ(c.publicAddr.sin_port, c.local.sin_port);

  EXPECT_EQ(KV_Close(connectResult), 0);
  EXPECT_EQ(KV_Close(connectResult), -11);  // never closed twice
  EXPECT_EQ(KV_CheckSessionInfo(connectResult, &c), -11);
  EXPECT_EQ(KV_Close(listenResult), 0);
}

TEST_F(LanLink, BytesCrossTheLinkInOrder) {
  ASSERT_GE(connectResult, 0);
  ASSERT_GE(listenResult.load(), 0);
  const char msg[] = "hello over the lan";
  ASSERT_EQ(KV_Send(connectResult, msg, sizeof(msg), 0), static_cast<int>(sizeof(msg)));
  char buf[64] = {};
  int len = sizeof(buf);
  uint8_t type = 9;
  ASSERT_EQ(KV_Recv(listenResult, buf, &len, 3, &type), 0);
  EXPECT_EQ(len, static_cast<int>(sizeof(msg)));
  EXPECT_EQ(type, 0);
  EXPECT_STREQ(buf, msg);
}

TEST_F(LanLink, DeInitialiseClosesLinkedSessions) {
  ASSERT_GE(connectResult, 0);
  ASSERT_GE(listenResult.load(), 0);
  EXPECT_EQ(KV_DeInitialize(), 0);
  EXPECT_EQ(KV_Close(connectResult), -1);
  ASSERT_EQ(KV_Initialize(), 0);
  KV_SessionInfo info{};
  EXPECT_EQ(KV_CheckSessionInfo(connectResult, &info), -11);
}

}  // namespace

namespace {

// The listener's announce reaches a connector that is already waiting: the
// connector pings and answers with a LAN punch, the listener punches back,
// the connector confirms.  No servers, no LAN search.
TEST(AnnounceLink, ConnectorLinksOnTheListenersAnnounce) {
  REQUIRE_PRIVATE_NETNS();
  ASSERT_EQ(KV_Initialize(), 0);
  constexpr const char* kAnnounced = "VEK-ANN-0001";
  ASSERT_EQ(KV_SetServInfo(kAnnounced, ""), 0);
  // A listener announces on the 1st, 3rd, ... listen of the process only.
  vornet::lib().listenCounter = -1;
  std::atomic<int> connectResult{1};
  std::thread connector(
      [&] { connectResult = KV_Connect(kAnnounced, 0, 15, KV_CONNECT_P2P | KV_CONNECT_ALT_LOOP, nullptr); });
  // The connector hears announces once its announce socket is bound.
  ASSERT_TRUE(testsupport::waitForOwnUdpPort(32106, 60000)) << "the connector's announce socket never opened";
  const int listenResult = KV_Listen(kAnnounced, 0, 5 | KV_LISTEN_NO_DETECT);
  connector.join();
  ASSERT_GE(listenResult, 0);
  ASSERT_GE(connectResult.load(), 0);
  KV_SessionInfo c{}, l{};
  ASSERT_EQ(KV_CheckSessionInfo(connectResult, &c), 0);
  ASSERT_EQ(KV_CheckSessionInfo(listenResult, &l), 0);
  EXPECT_EQ(c.linkMode, 0);
  EXPECT_EQ(c.remote.sin_port, l.local.sin_port);
  EXPECT_EQ(l.remote.sin_port, c.local.sin_port);
  EXPECT_EQ(KV_DeInitialize(), 0);
}

}  // namespace
