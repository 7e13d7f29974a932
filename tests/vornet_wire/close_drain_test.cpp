// De-initialise against a peer that answers keep-alives but never
// acknowledges data: the drain of the queued data is capped.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "Vornet.h"
#include "net/zorp_socket.h"
#include "netns_test.h"
#include "wire/zorp_send.h"
#include "wire/zorp_wire.h"

using namespace vornet;

namespace {

constexpr const char* kId = "VEK-DRAIN-0001";

// A listener made of raw datagrams: answers the LAN search with a punch,
// confirms the connector's punch, then only answers keep-alives.  Ends
// when told or after its lifetime.
class SilentPeer {
 public:
  SilentPeer() {
    sock_ = net::lan_socket(wire::kLanSearchPort);
    if (sock_ >= 0) thread_ = std::thread([this] { run(); });
  }
  ~SilentPeer() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (sock_ >= 0) close(sock_);
  }
  bool ok() const { return sock_ >= 0; }
  int dataSeen() const { return dataSeen_.load(); }

 private:
  void run() {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    uint8_t body[1500];
    while (!stop_ && std::chrono::steady_clock::now() < end) {
      net::Received rx;
      if (net::recv_one(sock_, 50, body, sizeof(body), &rx) != 0) continue;
      switch (rx.type) {
        case wire::ZORP_MSG_LAN_SEARCH:
          wire::send_punch(sock_, rx.from, "vek", 0, kId);
          break;
        case wire::ZORP_MSG_PUNCH:
          wire::send_punch_ack(sock_, rx.from, "vek", 0, kId, 1);
          break;
        case wire::ZORP_MSG_ALIVE:
          wire::send_alive_ack(sock_, rx.from);
          break;
        case wire::ZORP_MSG_DRW:
          ++dataSeen_;  // never acknowledged
          break;
        default:
          break;
      }
    }
  }
  int sock_ = -1;
  std::atomic<bool> stop_{false};
  std::atomic<int> dataSeen_{0};
  std::thread thread_;
};

TEST(CloseDrain, DeInitialiseGivesUpOnAPeerThatNeverAcknowledges) {
  REQUIRE_PRIVATE_NETNS();
  SilentPeer peer;
  ASSERT_TRUE(peer.ok());
  ASSERT_EQ(KV_Initialize(), 0);
  ASSERT_EQ(KV_SetServInfo(kId, ""), 0);
  const int h = KV_Connect(kId, 0, 15, KV_CONNECT_LAN, "127.0.0.1");
  ASSERT_GE(h, 0);
  static char data[20000];
  ASSERT_EQ(KV_SendWithChannel(h, 1, data, sizeof(data)), static_cast<int>(sizeof(data)));
  for (int i = 0; i < 100 && peer.dataSeen() == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_GT(peer.dataSeen(), 0);

  using Clock = std::chrono::steady_clock;
  const auto start = Clock::now();
  // A start-up during the drain waits for the teardown instead of clearing
  // the slot it is still closing.
  std::atomic<bool> reinitReturned{false};
  Clock::time_point reinitAt;
  std::thread reinit([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    KV_Initialize();
    reinitAt = Clock::now();
    reinitReturned = true;
  });
  EXPECT_EQ(KV_DeInitialize(), 0);
  const auto end = Clock::now();
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(end - start).count();
  EXPECT_GE(ms, 2500);  // the queued data was waited for ...
  EXPECT_LT(ms, 20000);  // ... but not for ever
  reinit.join();
  EXPECT_TRUE(reinitReturned.load());
  // It returned only once the teardown had drained (it may return a moment
  // before this thread reads the clock after KV_DeInitialize).
  EXPECT_GE(std::chrono::duration_cast<std::chrono::milliseconds>(reinitAt - start).count(), 2500);
  EXPECT_EQ(KV_DeInitialize(), 0);  // the late start-up did initialise again
}

}  // namespace
