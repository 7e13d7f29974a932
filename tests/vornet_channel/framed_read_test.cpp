// The framed read: a 4-byte header taken whole or not at all, then the
// whole payload.
#include <gtest/gtest.h>

#include <algorithm>
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
  int held(int channel = 1) { return link_.engine(FakeLink::B).heldBytes(channel); }
  // Reads one framed message and checks it is `f`: length, type and bytes.
  void expectMessage(const Bytes& f, int channel = 1, int64_t timeoutMs = 100) {
    std::vector<uint8_t> buf(f.size());
    int len = static_cast<int>(buf.size());
    uint8_t type = 0;
    ASSERT_EQ(r_.reader.readFramed(channel, buf.data(), &len, timeoutMs, &type), 0);
    ASSERT_EQ(static_cast<size_t>(len), f.size() - 4);
    EXPECT_EQ(type, f[3]);
    EXPECT_TRUE(std::equal(buf.begin(), buf.begin() + len, f.begin() + 4));
  }

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

TEST_P(FramedRead, APayloadThatArrivesAfterTheTimeOutComesWholeOnALaterRead) {
  const Bytes f = frame(5000, 3);
  write(Bytes(f.begin(), f.begin() + 104));
  deliver();
  // The rest comes well after the caller's time-out: the read does not wait
  // for it, and takes nothing it cannot hand over whole.
  r_.clock.at(link_.now() + 1500, [&] { write(Bytes(f.begin() + 104, f.end())); });
  std::vector<uint8_t> buf(6000);
  int len = 6000;
  uint8_t type = 9;
  EXPECT_EQ(r_.reader.readFramed(1, buf.data(), &len, 300, &type), -3);
  EXPECT_EQ(len, 0);
  EXPECT_EQ(type, 0);
  EXPECT_EQ(r_.clock.slept(), 300u);
  EXPECT_EQ(held(), 100);
  expectMessage(f, 1, 3000);
  EXPECT_EQ(inOrder(), 0);
  EXPECT_EQ(held(), 0);
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
  r_.clock.at(link_.now() + 50, [&] { link_.inject(FakeLink::B, testbytes::datagram(0xF0, {})); });
  uint8_t buf[100];
  int len = sizeof buf;
  EXPECT_EQ(r_.reader.readFramed(1, buf, &len, 1000, nullptr), -12);
  EXPECT_EQ(len, 0);
  EXPECT_LE(r_.clock.slept(), 60u);
  // Also when the close came between two reads.
  len = sizeof buf;
  EXPECT_EQ(r_.reader.readFramed(1, buf, &len, 1000, nullptr), -12);
}

TEST_P(FramedRead, ACallersCloseEndsTheWait) {
  link_.session(FakeLink::B).closedByCaller = 1;
  uint8_t buf[10];
  int len = sizeof buf;
  EXPECT_EQ(r_.reader.readFramed(1, buf, &len, 1000, nullptr), -14);
  EXPECT_EQ(r_.clock.slept(), 0u);
}

// A peer that sends a header and part of the payload, then nothing but
// keep-alives: every read returns -3 within its time-out, again and again,
// and once the peer finishes, that message and the next come out whole.
TEST_P(FramedRead, AStalledPeerNeverHoldsAReadBeyondItsTimeOut) {
  const Bytes f = frame(3000, 0x7F);
  const Bytes next = frame(700, 2, 9);
  write(Bytes(f.begin(), f.begin() + 1200));
  deliver();
  std::vector<uint8_t> buf(4000);
  for (int i = 0; i < 4; ++i) {
    const uint32_t before = r_.clock.slept();
    int len = 4000;
    ASSERT_EQ(r_.reader.readFramed(1, buf.data(), &len, 1000, nullptr), -3) << "read " << i;
    EXPECT_EQ(len, 0);
    EXPECT_EQ(r_.clock.slept() - before, 1000u);
    EXPECT_EQ(held(), 1196);
  }
  // Seconds passed with the link idle: keep-alives went both ways and kept
  // the session up.
  int alive = 0;
  for (const auto& d : link_.sent(FakeLink::A)) alive += d.size() > 1 && d[1] == 0xE0;
  EXPECT_GT(alive, 0);
  EXPECT_EQ(link_.session(FakeLink::B).timedOut.load(), 0);

  write(Bytes(f.begin() + 1200, f.end()));
  write(next);
  deliver();
  expectMessage(f);
  expectMessage(next);
}

// A payload that trickles in, a few bytes between reads, is gathered across
// the reads and handed over once, whole.
TEST_P(FramedRead, ASlowPeersPayloadIsGatheredAcrossReads) {
  const Bytes f = frame(2500, 5);
  std::vector<uint8_t> buf(2500);
  size_t sent = 0;
  int reads = 0;
  int result = -3;
  int len = 0;
  for (; result == -3 && reads < 40; ++reads) {
    const size_t piece = std::min<size_t>(f.size() - sent, 3 + 97 * static_cast<size_t>(reads % 3));
    if (piece > 0) write(Bytes(f.begin() + static_cast<long>(sent), f.begin() + static_cast<long>(sent + piece)));
    sent += piece;
    deliver();
    len = 2500;
    result = r_.reader.readFramed(1, buf.data(), &len, 60, nullptr);
    if (result == -3) {
      EXPECT_EQ(len, 0);
    }
  }
  ASSERT_EQ(result, 0) << "after " << reads << " reads";
  EXPECT_GT(reads, 10);
  EXPECT_EQ(len, 2500);
  EXPECT_TRUE(std::equal(buf.begin(), buf.end(), f.begin() + 4));
}

TEST_P(FramedRead, TwoChannelsInterleavedKeepTheirOwnMessages) {
  const Bytes one = frame(1500, 1, 3);
  const Bytes two = frame(900, 2, 5);
  write(Bytes(one.begin(), one.begin() + 600), 1);
  write(Bytes(two.begin(), two.begin() + 2), 2);  // not even a whole header
  deliver();
  std::vector<uint8_t> buf(2000);
  int len = 2000;
  EXPECT_EQ(r_.reader.readFramed(1, buf.data(), &len, 50, nullptr), -3);
  len = 2000;
  EXPECT_EQ(r_.reader.readFramed(2, buf.data(), &len, 50, nullptr), -3);
  EXPECT_EQ(held(1), 596);
  EXPECT_EQ(held(2), 0);
  EXPECT_EQ(inOrder(2), 2);
  write(Bytes(two.begin() + 2, two.begin() + 500), 2);
  deliver();
  len = 2000;
  EXPECT_EQ(r_.reader.readFramed(2, buf.data(), &len, 50, nullptr), -3);
  write(Bytes(one.begin() + 600, one.end()), 1);
  write(Bytes(two.begin() + 500, two.end()), 2);
  deliver();
  expectMessage(two, 2, 50);
  expectMessage(one, 1, 50);
}

TEST_P(FramedRead, UnframedReadsOfOtherChannelsAreUntouchedByAHeldMessage) {
  const Bytes f = frame(800, 0);
  write(Bytes(f.begin(), f.begin() + 300), 1);
  const Bytes plain = frame(40, 1, 11);  // plain bytes that look like a header
  write(plain, 3);
  deliver();
  std::vector<uint8_t> buf(1000);
  int len = 1000;
  EXPECT_EQ(r_.reader.readFramed(1, buf.data(), &len, 50, nullptr), -3);
  len = 1000;
  ASSERT_EQ(r_.reader.read(3, buf.data(), &len, 0), 0);
  ASSERT_EQ(len, 44);
  EXPECT_TRUE(std::equal(buf.begin(), buf.begin() + 44, plain.begin()));
  EXPECT_EQ(held(1), 296);
}

TEST_P(FramedRead, AHeldMessageLongerThanALaterBufferIsRefusedAndKept) {
  const Bytes f = frame(600, 4);
  write(Bytes(f.begin(), f.begin() + 100));
  deliver();
  std::vector<uint8_t> buf(600);
  int len = 600;
  EXPECT_EQ(r_.reader.readFramed(1, buf.data(), &len, 50, nullptr), -3);
  write(Bytes(f.begin() + 100, f.end()));
  deliver();
  len = 599;
  uint8_t type = 0;
  EXPECT_EQ(r_.reader.readFramed(1, buf.data(), &len, 50, &type), -23);
  EXPECT_EQ(len, 0);
  EXPECT_EQ(type, 4);
  expectMessage(f, 1, 50);
}

// The receiver stops taking packets ahead of the reader beyond 128 KiB, so
// a larger message can only arrive while it is being read.
TEST_P(FramedRead, AMessageLargerThanTheReceiveWindowArrivesOverShortReads) {
  const Bytes f = frame(400000, 8);
  write(f);
  std::vector<uint8_t> buf(400000);
  int result = -3;
  int len = 0;
  int reads = 0;
  for (; result == -3 && reads < 200; ++reads) {
    len = 400000;
    result = r_.reader.readFramed(1, buf.data(), &len, 100, nullptr);
  }
  ASSERT_EQ(result, 0) << "after " << reads << " reads";
  EXPECT_EQ(len, 400000);
  EXPECT_TRUE(std::equal(buf.begin(), buf.end(), f.begin() + 4));
}

// How long a read that gets no whole message waits, by time-out: whole
// rounds of 50 ms, at least one; the same with a message half arrived.
TEST_P(FramedRead, ReadsWaitTheirTimeOutRoundedToRoundsAndNoLonger) {
  const struct {
    int64_t timeoutMs;
    uint32_t waitedMs;
  } rows[] = {{0, 50}, {30, 50}, {50, 50}, {120, 100}, {300, 300}, {1000, 1000}};
  const Bytes f = frame(100, 0);
  for (bool halfArrived : {false, true}) {
    if (halfArrived) {
      write(Bytes(f.begin(), f.begin() + 50));
      deliver();
    }
    for (const auto& row : rows) {
      const uint32_t before = r_.clock.slept();
      uint8_t buf[100];
      int len = sizeof buf;
      EXPECT_EQ(r_.reader.readFramed(1, buf, &len, row.timeoutMs, nullptr), -3);
      EXPECT_EQ(r_.clock.slept() - before, row.waitedMs) << row.timeoutMs << (halfArrived ? " half arrived" : "");
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Both, FramedRead, ::testing::Values(0, 1),
                         [](const ::testing::TestParamInfo<int>& i) { return "algorithm" + std::to_string(i.param); });

}  // namespace
