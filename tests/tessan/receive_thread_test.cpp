// The receive thread over the scripted transport: frames reach the
// callbacks byte-identical and in order whatever the read sizes, a stream
// that can never complete closes its session, and no callback runs for a
// session after its APP_disconnect has returned.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>

#include "link_fixture.h"
#include "rc4.h"
#include "test_frames.h"

using frames::Bytes;
using namespace linktest;

namespace {

class ReceiveThread : public LinkTest, public ::testing::WithParamInterface<int> {};

TEST_P(ReceiveThread, FramesArriveWholeAndInOrder) {
  connectTo("RX", 40, /*auth=*/true);
  std::vector<Bytes> sentFrames;
  Bytes stream = frames::hh01(151, {0});
  for (int i = 0; i < 30; ++i) {
    frames::AvFields a;
    a.timestamp = uint64_t(i) * 40;
    a.codec = i % 3 ? 2 : 259;
    sentFrames.push_back(frames::hh02(frames::payload(size_t(i * 173 + 5), uint8_t(i)), a));
    frames::append(stream, sentFrames.back());
  }
  fakekv::setReadChunk(40, GetParam());
  fakekv::push(40, stream);
  ASSERT_TRUE(recorder().waitFor([](const std::vector<Event>& ev) { return avFrames(ev, "RX").size() >= 30; }, 60000));
  const std::vector<Event> got = avFrames(recorder().events(), "RX");
  ASSERT_EQ(got.size(), 30u);
  for (size_t i = 0; i < got.size(); ++i) {
    EXPECT_EQ(got[i].data, sentFrames[i]) << "frame " << i;
    EXPECT_EQ(got[i].frameType, 127);
  }
  EXPECT_EQ(statuses(recorder().events(), "RX"), (std::vector<int>{1, 10}));
}

INSTANTIATE_TEST_SUITE_P(Reads, ReceiveThread, ::testing::Values(1000, 7, 0),
                         [](const ::testing::TestParamInfo<int>& i) { return "chunk" + std::to_string(i.param); });

TEST_F(LinkTest, MessagesCarryNameAndFrameType) {
  connectTo("MS", 41);
  Bytes body = frames::payload(16, 3);
  fakekv::push(41, frames::hh01(273, body, "ptz-answer", 99));
  fakekv::push(41, frames::prefixed(5, frames::payload(60, 1)));
  ASSERT_TRUE(recorder().waitFor([](const std::vector<Event>& ev) { return ev.size() >= 4; }));
  const std::vector<Event> ev = recorder().events();
  EXPECT_EQ(ev[2].type, 273u);
  EXPECT_EQ(ev[2].data, body);
  EXPECT_EQ(ev[2].name, "ptz-answer");
  EXPECT_EQ(ev[2].frameType, 99);
  EXPECT_TRUE(ev[3].av);
  EXPECT_EQ(ev[3].frameType, 5);
  EXPECT_EQ(ev[3].data, frames::payload(60, 1));
}

TEST_F(LinkTest, ReceivedPayloadsAreDecipheredButStatusNever) {
  reinit(1, 1);
  const std::string key = "cam-key";
  connectTo("DX", 42, false, key);
  auto cipher = [&](Bytes b) {
    tessan::Rc4State st;
    tessan::rc4Fresh(st, reinterpret_cast<const uint8_t*>(key.data()), key.size(), b.data(), std::min<size_t>(b.size(), 2048));
    return b;
  };
  const Bytes body = frames::payload(100, 1), av = frames::payload(2500, 2);
  Bytes stream = frames::hh01(257, cipher(body));
  Bytes avFrame = frames::hh02(av);
  Bytes avWire = avFrame;
  tessan::Rc4State st;
  tessan::rc4Fresh(st, reinterpret_cast<const uint8_t*>(key.data()), key.size(), avWire.data() + 48, 2048);
  frames::append(stream, avWire);
  frames::append(stream, frames::hh01(153, {3, 0, 0, 0}));
  fakekv::push(42, stream);
  ASSERT_TRUE(waitStatuses("DX", {1, 10, 3}));
  const std::vector<Event> ev = recorder().events();
  ASSERT_GE(ev.size(), 5u);
  EXPECT_EQ(ev[2].data, body);
  EXPECT_EQ(ev[3].data, avFrame);
}

TEST_F(LinkTest, OversizedLengthPrefixClosesTheSession) {
  connectTo("OV", 43);
  Bytes stream = {0xFF, 0xFF, 0xFF, 0x00};
  stream.resize(100, 0);
  fakekv::push(43, stream);
  ASSERT_TRUE(waitStatuses("OV", {1, 10, 6}));
  EXPECT_EQ(fakekv::closed(), std::vector<int>{43});
}

TEST_F(LinkTest, OversizedHeaderOnAnAuthenticatedSessionIsSkipped) {
  connectTo("OA", 44, true);
  Bytes huge = frames::hh02({});
  frames::put(huge, 12, 0xFFFFFFF0u, 4);
  Bytes stream = frames::hh01(151, {0});
  frames::append(stream, huge);
  const Bytes after = frames::hh02(frames::payload(64, 9));
  frames::append(stream, after);
  fakekv::push(44, stream);
  ASSERT_TRUE(recorder().waitFor([](const std::vector<Event>& ev) { return !avFrames(ev, "OA").empty(); }));
  EXPECT_EQ(avFrames(recorder().events(), "OA")[0].data, after);
  EXPECT_EQ(statuses(recorder().events(), "OA"), (std::vector<int>{1, 10}));
}

TEST_F(LinkTest, CallbackMaySend) {
  connectTo("CB", 45);
  messageHook() = [](const Event& e) {
    if (e.type == E_MSG_VIDEO_START_RESP) {
      EXPECT_EQ(48, APP_send(e.sn.c_str(), nullptr, 260, nullptr, 0, 127));
    }
  };
  fakekv::push(45, frames::hh01(257, Bytes(4, 0)));
  ASSERT_TRUE(recorder().waitFor([](const std::vector<Event>& ev) { return ev.size() >= 3; }));
  const auto sent = fakekv::sent();
  ASSERT_FALSE(sent.empty());
  EXPECT_EQ(sent.back().data[6], 260 & 0xFF);
}

TEST_F(LinkTest, NoCallbackAfterDisconnectReturns) {
  connectTo("ND", 46);
  std::atomic<bool> returned{false};
  std::atomic<int> late{0};
  messageHook() = [&](const Event& e) {
    if (e.sn == "ND" && returned) ++late;
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  };
  Bytes stream;
  for (int i = 0; i < 4000; ++i) frames::append(stream, frames::hh01(257, frames::payload(8, uint8_t(i))));
  fakekv::setReadChunk(46, 56 * 3);
  fakekv::push(46, stream);
  ASSERT_TRUE(recorder().waitFor([](const std::vector<Event>& ev) { return ev.size() >= 20; }));
  EXPECT_EQ(0, APP_disconnect("ND"));
  returned = true;
  const size_t count = recorder().events().size();
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(late.load(), 0);
  EXPECT_EQ(recorder().events().size(), count);
  EXPECT_EQ(statuses(recorder().events(), "ND"), (std::vector<int>{1, 10, 6}));
}

TEST_F(LinkTest, SessionsAreServedTogether) {
  for (int h = 0; h < 6; ++h) connectTo("M" + std::to_string(h), 50 + h);
  for (int round = 0; round < 20; ++round)
    for (int h = 0; h < 6; ++h) fakekv::push(50 + h, frames::hh02(frames::payload(size_t(round + 1) * 10, uint8_t(h))));
  ASSERT_TRUE(recorder().waitFor([](const std::vector<Event>& ev) {
    for (int h = 0; h < 6; ++h)
      if (avFrames(ev, "M" + std::to_string(h)).size() < 20) return false;
    return true;
  }, 10000));
  for (int h = 0; h < 6; ++h) {
    const auto got = avFrames(recorder().events(), "M" + std::to_string(h));
    for (int round = 0; round < 20; ++round)
      EXPECT_EQ(got[size_t(round)].data, frames::hh02(frames::payload(size_t(round + 1) * 10, uint8_t(h))));
  }
}

}  // namespace
