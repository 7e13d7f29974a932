// Two linked processes: this test connects over the LAN path to a
// channel_peer that echoes every channel, in a network namespace of its own.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "Vornet.h"
#include "child_process.h"
#include "fresh_netns.h"
#include "netns_test.h"
#include "sha256.h"

namespace {

using Bytes = std::vector<uint8_t>;

class LinkedPeer : public ::testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_PRIVATE_NETNS();
    const std::string problem = testsupport::enterFreshNetworkNamespace();
    ASSERT_TRUE(problem.empty()) << problem;
    ASSERT_EQ(KV_Initialize(), 0);
  }
  void TearDown() override {
    if (handle_ >= 0) KV_Close(handle_);
    KV_DeInitialize();
    peer_.stop();
  }

  // Starts the peer and links to it; the peer's extra switches in `args`.
  void link(std::vector<std::string> args = {}) {
    const std::string id = "CHAN-" + std::to_string(::getpid());
    args.insert(args.begin(), {"--id", id, "--lifetime", "60"});
    std::string error;
    ASSERT_TRUE(peer_.start(CHANNEL_PEER_PROGRAM, args, &error)) << error;
    ASSERT_EQ(KV_SetServInfo(id.c_str(), ""), 0);
    for (int attempt = 0; attempt < 3 && handle_ < 0; ++attempt) {
      handle_ = KV_Connect(id.c_str(), 0, 15, KV_CONNECT_LAN, "127.0.0.1");
    }
    ASSERT_GE(handle_, 0);
    std::string line;
    ASSERT_TRUE(peer_.waitFor("linked", 5000, &line)) << line;
  }

  int send(int channel, const Bytes& b) {
    return channel == 0 ? KV_Send(handle_, b.data(), static_cast<int>(b.size()), 127)
                        : KV_SendWithChannel(handle_, static_cast<uint8_t>(channel), b.data(),
                                             static_cast<int>(b.size()));
  }

  int sendFramed(int channel, const Bytes& payload, uint8_t type) {
    if (channel == 0) return KV_Send(handle_, payload.data(), static_cast<int>(payload.size()), type);
    const size_t n = payload.size();
    Bytes b = {static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n >> 16), type};
    b.insert(b.end(), payload.begin(), payload.end());
    return send(channel, b) == static_cast<int>(b.size()) ? static_cast<int>(n) : -1;
  }

  // Reads exactly `n` unframed bytes back within `ms`.
  Bytes readBack(int channel, size_t n, int ms) {
    Bytes out;
    Bytes buf(64 * 1024);
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (out.size() < n && std::chrono::steady_clock::now() < end) {
      int len = static_cast<int>(std::min(buf.size(), n - out.size()));
      const int r = channel == 0 ? KV_Recv2(handle_, buf.data(), &len, 100)
                                 : KV_RecvWithChannel(handle_, static_cast<uint8_t>(channel), buf.data(), &len, 0,
                                                      nullptr);
      if (r == 0) out.insert(out.end(), buf.begin(), buf.begin() + len);
      else if (r != KV_ERR_TIMEOUT) break;
      if (r != 0 && channel != 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return out;
  }

  testworld::ChildProcess peer_;
  int handle_ = -1;
};

Bytes randomBytes(size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes b(n);
  for (auto& x : b) x = static_cast<uint8_t>(rng());
  return b;
}

std::string digest(const Bytes& b) {
  testworld::Sha256 h;
  h.add(b.data(), b.size());
  return h.hex();
}

TEST_F(LinkedPeer, UnframedBytesOnAllFourChannels) {
  link();
  for (int channel = 0; channel < 4; ++channel) {
    for (size_t size : {size_t{1}, size_t{1023}, size_t{1024}, size_t{1025}, size_t{200000}}) {
      const Bytes sent = randomBytes(size, static_cast<uint32_t>(channel * 1000 + size));
      ASSERT_EQ(send(channel, sent), static_cast<int>(size));
      const Bytes got = readBack(channel, size, 10000);
      ASSERT_EQ(got.size(), size) << "channel " << channel;
      EXPECT_EQ(digest(got), digest(sent)) << "channel " << channel << " size " << size;
    }
  }
}

TEST_F(LinkedPeer, FramedMessagesOnAllFourChannels) {
  link();
  for (int channel = 0; channel < 4; ++channel) {
    const std::vector<size_t> sizes = {1, 100, 1020, 1021, 5000, 70000};
    for (size_t i = 0; i < sizes.size(); ++i) {
      ASSERT_EQ(sendFramed(channel, randomBytes(sizes[i], static_cast<uint32_t>(i)), static_cast<uint8_t>(i % 2)),
                static_cast<int>(sizes[i]));
    }
    for (size_t i = 0; i < sizes.size(); ++i) {
      Bytes buf(100000);
      int len = static_cast<int>(buf.size());
      uint8_t type = 99;
      const int r = channel == 0 ? KV_Recv(handle_, buf.data(), &len, 5, &type)
                                 : KV_RecvWithChannel(handle_, static_cast<uint8_t>(channel), buf.data(), &len,
                                                      5000, &type);
      ASSERT_EQ(r, 0) << "channel " << channel << " message " << i;
      ASSERT_EQ(static_cast<size_t>(len), sizes[i]);
      EXPECT_EQ(type, i % 2);
      buf.resize(static_cast<size_t>(len));
      EXPECT_EQ(digest(buf), digest(randomBytes(sizes[i], static_cast<uint32_t>(i))));
    }
  }
  // Nothing left over, and a framed read on an empty channel times out.
  uint8_t buf[16];
  int len = sizeof buf;
  EXPECT_EQ(KV_Recv(handle_, buf, &len, 0, nullptr), KV_ERR_TIMEOUT);
  EXPECT_EQ(KV_GetP2PBufSizeUsed(handle_, 1), 0);
}

TEST_F(LinkedPeer, AMessageLargerThanTheBufferIsRefusedAndStaysReadable) {
  link();
  const Bytes payload = randomBytes(200, 5);
  ASSERT_EQ(sendFramed(0, payload, 1), 200);
  // Wait until the whole echo is here.
  for (int i = 0; i < 200 && KV_GetP2PBufSizeUsed(handle_, 1) < 204; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  Bytes buf(100);
  int len = 100;
  uint8_t type = 0;
  EXPECT_EQ(KV_Recv(handle_, buf.data(), &len, 1, &type), KV_ERR_BUFFER_TOO_SMALL);
  EXPECT_EQ(len, 0);
  EXPECT_EQ(type, 1);
  EXPECT_EQ(readBack(0, 200, 2000), payload);
}

// The peer echoes a header and part of a payload, then nothing but
// keep-alives for a while: framed reads come back within their time-out
// each time (-3), and once the rest arrives the message and the next one
// are read whole. Channel 0 through KV_Recv, the others through
// KV_RecvWithChannel.
TEST_F(LinkedPeer, FramedReadsReturnWithinTheirTimeOutWhileAPayloadStalls) {
  link();
  for (int channel = 0; channel < 4; channel += 3) {
    const Bytes payload = randomBytes(5000, static_cast<uint32_t>(channel + 40));
    const Bytes next = randomBytes(300, static_cast<uint32_t>(channel + 50));
    Bytes message = {0x88, 0x13, 0x00, 0x7F};  // 5000 bytes, type 127
    message.insert(message.end(), payload.begin(), payload.end());
    ASSERT_EQ(send(channel, Bytes(message.begin(), message.begin() + 2100)), 2100);
    const int countChannel = channel;
    auto waiting = [&] {
      return countChannel == 0 ? KV_GetP2PBufSizeUsed(handle_, 1)
                               : KV_GetP2PBufSizeUsedWithChannel(handle_, static_cast<uint8_t>(countChannel), 1);
    };
    for (int i = 0; i < 500 && waiting() < 2100; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(waiting(), 2100);

    Bytes buf(8000);
    auto readFramed = [&](int timeoutMs, int* len, uint8_t* type) {
      *len = static_cast<int>(buf.size());
      return channel == 0 ? KV_Recv(handle_, buf.data(), len, timeoutMs / 1000, type)
                          : KV_RecvWithChannel(handle_, static_cast<uint8_t>(channel), buf.data(), len, timeoutMs,
                                               type);
    };
    const int timeoutMs = channel == 0 ? 1000 : 300;
    long longestMs = 0;
    for (int i = 0; i < 3; ++i) {
      int len = -1;
      uint8_t type = 9;
      const auto t0 = std::chrono::steady_clock::now();
      ASSERT_EQ(readFramed(timeoutMs, &len, &type), KV_ERR_TIMEOUT) << "channel " << channel << " read " << i;
      const long ms = static_cast<long>(
          std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0).count());
      longestMs = std::max(longestMs, ms);
      EXPECT_EQ(len, 0);
      EXPECT_EQ(type, 0);
      EXPECT_EQ(waiting(), 2096) << "the payload bytes taken are still waiting";
    }
    std::printf("[ figures  ] channel %d: a %d ms framed read on a stalled payload returned after at most %ld ms\n",
                channel, timeoutMs, longestMs);

    ASSERT_EQ(send(channel, Bytes(message.begin() + 2100, message.end())), 2904);
    ASSERT_EQ(sendFramed(channel, next, 1), 300);
    int len = 0;
    uint8_t type = 0;
    ASSERT_EQ(readFramed(5000, &len, &type), 0) << "channel " << channel;
    ASSERT_EQ(len, 5000);
    EXPECT_EQ(type, 127);
    EXPECT_EQ(digest(Bytes(buf.begin(), buf.begin() + len)), digest(payload));
    ASSERT_EQ(readFramed(5000, &len, &type), 0);
    ASSERT_EQ(len, 300);
    EXPECT_EQ(type, 1);
    EXPECT_EQ(digest(Bytes(buf.begin(), buf.begin() + len)), digest(next));
    EXPECT_EQ(waiting(), 0);
  }
}

TEST_F(LinkedPeer, ThePeersCloseIsSeenAsClosedByPeer) {
  link({"--close-after", "3000"});
  ASSERT_EQ(send(2, randomBytes(3000, 9)), 3000);
  EXPECT_EQ(readBack(2, 3000, 5000).size(), 3000u);
  ASSERT_TRUE(peer_.waitFor("closed", 60000));
  int code = 0;
  for (int i = 0; i < 300 && code >= 0; ++i) {
    code = KV_GetP2PBufSizeUsed(handle_, 1);
    if (code >= 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(code, KV_ERR_CLOSED_BY_PEER);
  uint8_t buf[16];
  int len = sizeof buf;
  EXPECT_EQ(KV_Recv(handle_, buf, &len, 1, nullptr), KV_ERR_CLOSED_BY_PEER);
  EXPECT_EQ(KV_Send(handle_, buf, 4, 0), KV_ERR_CLOSED_BY_PEER);
}

TEST_F(LinkedPeer, OurCloseIsSeenAsClosedByPeerOnTheOtherSide) {
  link();
  ASSERT_EQ(KV_Close(handle_), 0);
  handle_ = -1;
  std::string line;
  ASSERT_TRUE(peer_.waitFor("peer-closed", 5000, &line));
  EXPECT_EQ(line, "peer-closed -12 received 0");
}

TEST_F(LinkedPeer, DeInitialiseSendsQueuedDataBeforeItCloses) {
  link();
  ASSERT_EQ(send(1, randomBytes(300000, 4)), 300000);
  ASSERT_EQ(KV_DeInitialize(), 0);
  handle_ = -1;
  std::string line;
  ASSERT_TRUE(peer_.waitFor("peer-closed", 10000, &line));
  EXPECT_EQ(line, "peer-closed -12 received 300000");
}

}  // namespace
