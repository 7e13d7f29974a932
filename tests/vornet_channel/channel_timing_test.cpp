// Keep-alives, reader gaps and read time-outs on the fake clock.
#include <gtest/gtest.h>

#include <vector>

#include "datagrams.h"
#include "fake_link.h"
#include "link_clock.h"
#include "link_probe.h"

namespace {

using fakelink::FakeLink;
using fakelink::SideReader;

struct AliveCase {
  int algorithm;
  int fatalAlive;  // the unanswered keep-alive that ends the session
};

class KeepAlive : public ::testing::TestWithParam<AliveCase> {};

TEST_P(KeepAlive, TheLastUnansweredKeepAliveTimesTheSessionOut) {
  const AliveCase& c = GetParam();
  FakeLink link(static_cast<uint8_t>(c.algorithm));
  auto& s = link.session(FakeLink::A);
  int seen = 0;
  for (int ms = 0; ms < 30000 && !s.drwStop; ++ms) {
    link.runAlone(FakeLink::A, 1);  // the peer never answers
    const int alive = fakelink::sentCount(link, FakeLink::A, 0xE0);
    if (alive != seen) {
      seen = alive;
      EXPECT_EQ(s.timedOut.load(), alive >= c.fatalAlive ? 1 : 0) << "after keep-alive " << alive;
    }
  }
  EXPECT_EQ(seen, c.fatalAlive);
  EXPECT_EQ(s.timedOut.load(), 1);
  EXPECT_EQ(s.drwStop.load(), 1);
  EXPECT_EQ(s.closedByPeer.load(), 0);
}

TEST_P(KeepAlive, AnsweredKeepAlivesKeepAnIdleSessionUp) {
  FakeLink link(static_cast<uint8_t>(GetParam().algorithm));
  link.run(60000);
  for (int side : {FakeLink::A, FakeLink::B}) {
    EXPECT_EQ(link.session(side).timedOut.load(), 0);
    EXPECT_GT(fakelink::sentCount(link, side, 0xE0), GetParam().fatalAlive);
    EXPECT_GT(fakelink::sentCount(link, side, 0xE1), 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Both, KeepAlive, ::testing::Values(AliveCase{1, 7}, AliveCase{0, 4}),
                         [](const ::testing::TestParamInfo<AliveCase>& i) {
                           return "algorithm" + std::to_string(i.param.algorithm);
                         });

struct ScheduleCase {
  int algorithm;
  std::vector<int> alivePasses;  // idle passes (counted from 0) that send a keep-alive; the last is fatal
};

class AliveSchedule : public ::testing::TestWithParam<ScheduleCase> {};

TEST_P(AliveSchedule, KeepAlivesGoAtTheCountedIdlePassesAfterThePeerWasLastHeard) {
  FakeLink link(static_cast<uint8_t>(GetParam().algorithm));
  auto& s = link.session(FakeLink::A);
  auto e = link.engine(FakeLink::A);
  for (int pass = 0; pass < 30; ++pass) e.endPass(false, false, link.now());
  // Data from the peer starts the count again and clears the missed ones.
  link.inject(FakeLink::A, testbytes::drw(0, 0, 4));
  std::vector<int> at;
  for (int pass = 0; pass < 2000 && !s.drwStop; ++pass) {
    const int before = fakelink::sentCount(link, FakeLink::A, 0xE0);
    e.endPass(false, false, link.now());
    if (fakelink::sentCount(link, FakeLink::A, 0xE0) != before) at.push_back(pass);
  }
  EXPECT_EQ(at, GetParam().alivePasses);
  EXPECT_EQ(s.timedOut.load(), 1);
}

INSTANTIATE_TEST_SUITE_P(Both, AliveSchedule,
                         ::testing::Values(ScheduleCase{1, {199, 399, 599, 799, 999, 1199, 1399}},
                                           ScheduleCase{0, {0, 50, 100, 150}}),
                         [](const ::testing::TestParamInfo<ScheduleCase>& i) {
                           return "algorithm" + std::to_string(i.param.algorithm);
                         });

TEST(KeepAlive, AnUnansweredDirectListenerPunchesItsLastSender) {
  FakeLink link(1);
  link.inject(FakeLink::B, testbytes::datagram(0xE1, {}));  // the peer was heard once
  link.runAlone(FakeLink::B, 1000);  // first keep-alive goes out, unanswered
  EXPECT_EQ(fakelink::sentCount(link, FakeLink::B, 0x42), 0);
  link.runAlone(FakeLink::B, 100);
  EXPECT_GT(fakelink::sentCount(link, FakeLink::B, 0x42), 0);
  EXPECT_EQ(fakelink::sentCount(link, FakeLink::A, 0x42), 0);  // a connector does not
}

class ReaderGap : public ::testing::TestWithParam<int> {
 protected:
  ReaderGap() : link(static_cast<uint8_t>(GetParam())), r(link, FakeLink::B) {}
  FakeLink link;
  SideReader r;
};

TEST_P(ReaderGap, AGapOfMoreThanFiveSecondsTimesOut) {
  link.inject(FakeLink::B, testbytes::drw(0, 1, 10));  // 0 never comes
  uint8_t buf[64];
  int len = sizeof buf;
  const uint32_t start = link.now();
  EXPECT_EQ(r.reader.read(0, buf, &len, 8000), -13);
  EXPECT_EQ(len, 0);
  EXPECT_GT(link.now() - start, 5000u);
  EXPECT_LE(link.now() - start, 5100u);
  EXPECT_EQ(link.session(FakeLink::B).timedOut.load(), 1);
  // And so it stays.
  len = sizeof buf;
  EXPECT_EQ(r.reader.read(0, buf, &len, 0), -13);
}

TEST_P(ReaderGap, AGapThatClosesInTimeDoesNot) {
  link.inject(FakeLink::B, testbytes::drw(0, 1, 10));
  r.clock.at(link.now() + 4500, [&] { link.inject(FakeLink::B, testbytes::drw(0, 0, 10)); });
  uint8_t buf[20];
  int len = sizeof buf;
  EXPECT_EQ(r.reader.read(0, buf, &len, 8000), 0);
  EXPECT_EQ(len, 20);
  EXPECT_EQ(buf[0], 0);
  EXPECT_EQ(buf[10], 1);
  EXPECT_EQ(link.session(FakeLink::B).timedOut.load(), 0);
}

TEST_P(ReaderGap, EachChannelHasItsOwnGapClock) {
  uint8_t buf[16];
  int len = sizeof buf;
  link.inject(FakeLink::B, testbytes::drw(1, 1, 10));
  EXPECT_EQ(r.reader.read(1, buf, &len, 0), -3);  // channel 1's gap clock starts
  link.run(5500);
  link.inject(FakeLink::B, testbytes::drw(2, 1, 10));
  len = sizeof buf;
  EXPECT_EQ(r.reader.read(2, buf, &len, 0), -3);  // a new gap, not an old one
  EXPECT_EQ(link.session(FakeLink::B).timedOut.load(), 0);
  len = sizeof buf;
  EXPECT_EQ(r.reader.read(1, buf, &len, 0), -13);
}

TEST_P(ReaderGap, AReadWithTimeOutZeroOnAnEmptyChannelReturnsAtOnce) {
  uint8_t buf[16];
  int len = sizeof buf;
  EXPECT_EQ(r.reader.read(3, buf, &len, 0), -3);
  EXPECT_EQ(len, 0);
  EXPECT_EQ(r.clock.slept(), 0u);
}

TEST_P(ReaderGap, AReadWaitsItsTimeOutAndNoLonger) {
  uint8_t buf[16];
  int len = sizeof buf;
  EXPECT_EQ(r.reader.read(0, buf, &len, 200), -3);
  EXPECT_EQ(r.clock.slept(), 200u);
  // Data that covers the request ends the wait; a shorter delivery waits on.
  r.clock.at(link.now() + 50, [&] { link.inject(FakeLink::B, testbytes::drw(0, 0, 4)); });
  len = 4;
  EXPECT_EQ(r.reader.read(0, buf, &len, 1000), 0);
  EXPECT_EQ(len, 4);
  EXPECT_LE(r.clock.slept(), 200u + 60u);
  r.clock.at(link.now() + 50, [&] { link.inject(FakeLink::B, testbytes::drw(0, 1, 4)); });
  len = 8;
  EXPECT_EQ(r.reader.read(0, buf, &len, 300), 0);
  EXPECT_EQ(len, 4);
  EXPECT_GE(r.clock.slept(), 200u + 50u + 300u);
}

TEST_P(ReaderGap, BytesDeliveredBeforeAStopAreASuccess) {
  link.inject(FakeLink::B, testbytes::drw(0, 0, 10));
  link.inject(FakeLink::B, testbytes::drw(0, 2, 10));  // 1 missing
  link.inject(FakeLink::B, testbytes::datagram(0xF0, {}));
  uint8_t buf[30];
  int len = sizeof buf;
  EXPECT_EQ(r.reader.read(0, buf, &len, 100), 0);
  EXPECT_EQ(len, 10);
  len = sizeof buf;
  EXPECT_EQ(r.reader.read(0, buf, &len, 100), -12);
  EXPECT_EQ(len, 0);
}

INSTANTIATE_TEST_SUITE_P(Both, ReaderGap, ::testing::Values(0, 1),
                         [](const ::testing::TestParamInfo<int>& i) { return "algorithm" + std::to_string(i.param); });

}  // namespace
