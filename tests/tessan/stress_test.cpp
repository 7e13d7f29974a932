// Several streaming sessions, senders on other threads and a
// connect/disconnect loop at once; run under ThreadSanitizer too. Each
// stream's frames must arrive complete and in order.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "link_fixture.h"
#include "test_frames.h"

using frames::Bytes;
using namespace linktest;

namespace {

constexpr int kStreams = 4;
constexpr int kFramesPerStream = 300;

TEST_F(LinkTest, StreamingSessionsWithConnectDisconnectLoop) {
  for (int s = 0; s < kStreams; ++s) {
    fakekv::setReadChunk(70 + s, 997 + s * 101);  // reads split frames
    connectTo("ST" + std::to_string(s), 70 + s, true);
    fakekv::push(70 + s, frames::hh01(151, {0}));
  }
  std::atomic<bool> stop{false};
  // A bound for a machine that stalls, not a pace: every frame must arrive.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);

  std::thread producer([&] {
    for (int i = 0; i < kFramesPerStream && std::chrono::steady_clock::now() < deadline; ++i)
      for (int s = 0; s < kStreams; ++s) {
        Bytes body = frames::payload(size_t(200 + (i * 31) % 3000), uint8_t(i));
        std::memcpy(body.data(), &i, sizeof i);
        frames::AvFields a;
        a.timestamp = uint64_t(i);
        fakekv::push(70 + s, frames::hh02(body, a));
        if (i % 50 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(2));
      }
  });
  std::thread sender([&] {
    Bytes frame = frames::hh02(Bytes(500, 1));
    for (int i = 0; !stop && i < 100000; ++i) {
      const std::string sn = "ST" + std::to_string(i % kStreams);
      EXPECT_GT(APP_send(sn.c_str(), "n", 272, frame.data() + 48, 16, 127), 0);
      EXPECT_GT(APPT_send(sn.c_str(), frame.data(), 100, 3), 0);
      EXPECT_EQ(APP_send(sn.c_str(), nullptr, E_MSG_AV_FRAME, frame.data(), uint32_t(frame.size()), 127), 548);
    }
  });
  std::thread cycler([&] {
    const MSG_AUTH_REQ t = token(false);
    for (int i = 0; !stop && i < 10000; ++i) {
      const std::string sn = "CY" + std::to_string(i % 3);
      if (i % 4 == 0) fakekv::blockConnect(sn, 0, 2000);  // a pending connect, broken by the disconnect
      fakekv::scriptConnect(sn, 100 + i % 3);
      APP_connect(sn.c_str(), "key", 3, &t, 7, "127.0.0.1");
      std::this_thread::sleep_for(std::chrono::milliseconds(i % 3));
      APP_disconnect(sn.c_str());
      if (i % 4 == 0) fakekv::blockConnect(sn, 0, 0);
    }
  });

  producer.join();
  const bool all = recorder().waitFor(
      [](const std::vector<Event>& ev) {
        for (int s = 0; s < kStreams; ++s)
          if (avFrames(ev, "ST" + std::to_string(s)).size() < size_t(kFramesPerStream)) return false;
        return true;
      },
      120000);
  stop = true;
  sender.join();
  cycler.join();
  ASSERT_TRUE(all);

  const std::vector<Event> ev = recorder().events();
  for (int s = 0; s < kStreams; ++s) {
    const std::vector<Event> got = avFrames(ev, "ST" + std::to_string(s));
    ASSERT_EQ(got.size(), size_t(kFramesPerStream));
    for (int i = 0; i < kFramesPerStream; ++i) {
      int seq;
      std::memcpy(&seq, got[size_t(i)].data.data() + 48, sizeof seq);
      ASSERT_EQ(seq, i) << "stream " << s;
      ASSERT_EQ(got[size_t(i)].data.size(), 48 + 200 + size_t((i * 31) % 3000));
    }
    EXPECT_EQ(statuses(ev, "ST" + std::to_string(s)), (std::vector<int>{1, 10}));
  }
  // Every cycled session ended with its connect thread: each status 1 has
  // its outcome, and no session is left behind.
  for (int c = 0; c < 3; ++c) {
    const std::string sn = "CY" + std::to_string(c);
    const std::vector<int> st = statuses(ev, sn);
    int open = 0;
    for (int v : st) {
      if (v == 1) ++open;
      if (v == 5 || v == 10) --open;
    }
    EXPECT_EQ(open, 0) << sn;
    EXPECT_EQ(E_APP_ERR_NO_SESSION, APP_send(sn.c_str(), nullptr, 256, nullptr, 0, 127));
  }
}

}  // namespace
