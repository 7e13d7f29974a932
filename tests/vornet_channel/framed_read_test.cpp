// The framed read: a 4-byte header taken whole or not at all, then the
// whole payload.
#include <gtest/gtest.h>

#include <vector>

#include "datagrams.h"
#include "fake_link.h"
#include "link_clock.h"

namespace {

using fakelink::FakeLink;
using fakelink::SideReader;
using testbytes::Bytes;

Bytes frame(int length, uint8_t type, int seed = 1) {
  Bytes b = {static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length >> 16),
             type};
  for (int i = 0; i < length; ++i) b.push_back(static_cast<uint8_t>(i * 13 + seed));
  return b;
}

class FramedRead : public ::testing::TestWithParam<int> {
 protected:
  FramedRead() : link_(static_cast<uint8_t>(GetParam())), r_(link_, FakeLink::B) {}
  void write(const Bytes& b, int channel = 1) {
    ASSERT_EQ(link_.engine(FakeLink::A).write(channel, b.data(), static_cast<int>(b.size())),
              static_cast<int>(b.size()));
  }
  void deliver() { link_.run(200); }
  int inOrder(int channel = 1) { return link_.engine(FakeLink::B).inOrderBytes(channel); }

  FakeLink link_;
  SideReader r_;
};

TEST_P(FramedRead, DeliversAWholeMessageAndItsType) {
  const Bytes f = frame(3000, 0x7F);
  write(f);
  deliver();
  std::vector<uint8_t> buf(4000);
  int len = 4000;
  uint8_t type = 0;
  ASSERT_EQ(r_.reader.readFramed(1, buf.data(), &len, 1000, &type), 0);
  EXPECT_EQ(len, 3000);
  EXPECT_EQ(type, 0x7F);
  EXPECT_TRUE(std::equal(buf.begin(), buf.begin() + 3000, f.begin() + 4));
}

TEST_P(FramedRead, AnEmptyPayloadGivesLengthZero) {
  write(frame(0, 1));
  deliver();
  uint8_t buf[8];
  int len = sizeof buf;
  uint8_t type = 9;
  EXPECT_EQ(r_.reader.readFramed(1, buf, &len, 100, &type), 0);
  EXPECT_EQ(len, 0);
  EXPECT_EQ(type, 1);
  EXPECT_EQ(inOrder(), 0);
}

TEST_P(FramedRead, APartialHeaderIsNotConsumed) {
  const Bytes f = frame(10, 0);
  write(Bytes(f.begin(), f.begin() + 2));
  deliver();
  uint8_t buf[16];
  int len = sizeof buf;
  uint8_t type = 9;
  EXPECT_EQ(r_.reader.readFramed(1, buf, &len, 200, &type), -3);
  EXPECT_EQ(len, 0);
  EXPECT_EQ(type, 0);
  EXPECT_EQ(inOrder(), 2);
  write(Bytes(f.begin() + 2, f.end()));
  deliver();
  len = sizeof buf;
  EXPECT_EQ(r_.reader.readFramed(1, buf, &len, 200, &type), 0);
  EXPECT_EQ(len, 10);
  EXPECT_EQ(buf[9], f[13]);
}

TEST_P(FramedRead, BytesBehindAGapAreNotWaitingBytes) {
  // A whole frame in packet 1 while packet 0 is missing.
  const Bytes f = frame(20, 0);
  Bytes body = {0xD1, 1, 0, 1};
  body.insert(body.end(), f.begin(), f.end());
  link_.inject(FakeLink::B, testbytes::datagram(0xD0, body));
  uint8_t buf[64];
  int len = sizeof buf;
  EXPECT_EQ(r_.reader.readFramed(1, buf, &len, 200, nullptr), -3);
  EXPECT_EQ(link_.session(FakeLink::B).drw.channels[1].received.count, 1);
}

TEST_P(FramedRead, APayloadThatArrivesLateIsStillReadWhole) {
  const Bytes f = frame(5000, 3);
  write(Bytes(f.begin(), f.begin() + 104));
  deliver();
  // The rest comes well after the caller's time-out.
  r_.clock.at(link_.now() + 1500, [&] { write(Bytes(f.begin() + 104, f.end())); });
  std::vector<uint8_t> buf(6000);
  int len = 6000;
  uint8_t type = 0;
  ASSERT_EQ(r_.reader.readFramed(1, buf.data(), &len, 300, &type), 0);
  EXPECT_EQ(len, 5000);
  EXPECT_TRUE(std::equal(buf.begin(), buf.begin() + 5000, f.begin() + 4));
  EXPECT_EQ(inOrder(), 0);
}

TEST_P(FramedRead, APayloadLargerThanTheBufferStaysInTheChannel) {
  const Bytes f = frame(200, 5);
  write(f);
  deliver();
  uint8_t buf[100];
  int len = sizeof buf;
  uint8_t type = 0;
  EXPECT_EQ(r_.reader.readFramed(1, buf, &len, 100, &type), -23);
  EXPECT_EQ(len, 0);
  EXPECT_EQ(type, 5);
  EXPECT_EQ(inOrder(), 200);
  uint8_t rest[200];
  len = sizeof rest;
  EXPECT_EQ(r_.reader.read(1, rest, &len, 0), 0);
  EXPECT_EQ(len, 200);
  EXPECT_TRUE(std::equal(rest, rest + 200, f.begin() + 4));
}

TEST_P(FramedRead, MessagesThatArrivedBeforeThePeersCloseAreDelivered) {
  write(frame(50, 0));
  write(frame(60, 1, 7));
  deliver();
  link_.inject(FakeLink::B, testbytes::datagram(0xF0, {}));
  uint8_t buf[100];
  int len = sizeof buf;
  EXPECT_EQ(r_.reader.readFramed(1, buf, &len, 100, nullptr), 0);
  EXPECT_EQ(len, 50);
  len = sizeof buf;
  EXPECT_EQ(r_.reader.readFramed(1, buf, &len, 100, nullptr), 0);
  EXPECT_EQ(len, 60);
  len = sizeof buf;
  EXPECT_EQ(r_.reader.readFramed(1, buf, &len, 100, nullptr), -12);
  EXPECT_EQ(len, 0);
}

TEST_P(FramedRead, APayloadCutByThePeersCloseIsAnError) {
  const Bytes f = frame(100, 0);
  write(Bytes(f.begin(), f.begin() + 14));
  deliver();
  r_.clock.at(link_.now() + 400, [&] { link_.inject(FakeLink::B, testbytes::datagram(0xF0, {})); });
  uint8_t buf[100];
  int len = sizeof buf;
  EXPECT_EQ(r_.reader.readFramed(1, buf, &len, 100, nullptr), -12);
  EXPECT_EQ(len, 0);
}

TEST_P(FramedRead, ACallersCloseEndsTheWait) {
  link_.session(FakeLink::B).closedByCaller = 1;
  uint8_t buf[10];
  int len = sizeof buf;
  EXPECT_EQ(r_.reader.readFramed(1, buf, &len, 1000, nullptr), -14);
  EXPECT_EQ(r_.clock.slept(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Both, FramedRead, ::testing::Values(0, 1),
                         [](const ::testing::TestParamInfo<int>& i) { return "algorithm" + std::to_string(i.param); });

}  // namespace
