// The channel engine on the fake clock: cutting, the send rounds, data and
// acknowledgement handling, for both algorithms.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <vector>

#include "datagrams.h"
#include "fake_link.h"
#include "link_probe.h"

namespace {

using fakelink::FakeLink;
using testbytes::Bytes;
using vornet::channel::DrwChannel;

class EachAlgorithm : public ::testing::TestWithParam<int> {
 protected:
  uint8_t algorithm() const { return static_cast<uint8_t>(GetParam()); }
};

std::string algorithmName(const ::testing::TestParamInfo<int>& i) {
  return "algorithm" + std::to_string(i.param);
}

Bytes pattern(int n, int seed = 0) {
  Bytes b(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(i * 7 + seed);
  return b;
}

// "<case>_algorithm<n>" for tables of (algorithm, case) parameters.
template <typename Case>
std::string caseName(const ::testing::TestParamInfo<std::tuple<int, Case>>& i) {
  return std::string(std::get<1>(i.param).name) + "_algorithm" + std::to_string(std::get<0>(i.param));
}

using ChannelWrite = EachAlgorithm;

TEST_P(ChannelWrite, CutsFullPacketsAtOnceAndTheRestInTheNextRound) {
  FakeLink link(algorithm());
  const Bytes data = pattern(3000);
  ASSERT_EQ(link.engine(FakeLink::A).write(1, data.data(), 3000), 3000);
  const DrwChannel& c = link.session(FakeLink::A).drw.channels[1];
  EXPECT_EQ(c.sendQueue.count, 2);
  EXPECT_EQ(c.sendQueue.bytes, 2048);
  EXPECT_EQ(c.writeFill, 952);
  EXPECT_TRUE(link.sent(FakeLink::A).empty());

  link.engine(FakeLink::A).sendRound(link.now());
  const auto sent = fakelink::sentData(link, FakeLink::A);
  ASSERT_EQ(sent.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(sent[i].channel, 1);
    EXPECT_EQ(sent[i].sequence, i);
    EXPECT_EQ(sent[i].length, i < 2 ? 1024 : 952);
  }
  EXPECT_EQ(c.writeFill, 0);
  EXPECT_EQ(c.inFlight.count, 3);
  // The last packet carries the tail of the data.
  const auto& last = link.sent(FakeLink::A).back();
  EXPECT_TRUE(std::equal(last.begin() + 8, last.end(), data.begin() + 2048));
}

TEST_P(ChannelWrite, SmallWritesShareOneStagingAndAFullStagingWaitsForTheRound) {
  FakeLink link(algorithm());
  auto e = link.engine(FakeLink::A);
  const Bytes data = pattern(1024);
  ASSERT_EQ(e.write(0, data.data(), 1000), 1000);
  ASSERT_EQ(e.write(0, data.data() + 1000, 24), 24);
  const DrwChannel& c = link.session(FakeLink::A).drw.channels[0];
  EXPECT_EQ(c.writeFill, 1024);
  EXPECT_EQ(c.sendQueue.count, 0);
  EXPECT_EQ(e.sendSideBytes(0), 0);  // staged bytes are not counted
  ASSERT_EQ(e.write(0, data.data(), 1), 1);
  EXPECT_EQ(c.sendQueue.count, 1);
  EXPECT_EQ(c.writeFill, 1);
  EXPECT_EQ(e.sendSideBytes(0), 1024);
}

TEST_P(ChannelWrite, ADeepBacklogLosesNothing) {
  // More unsent packets than a third of the sequence space.
  FakeLink link(algorithm());
  const int packets = 21900;
  const Bytes data = pattern(1024);
  auto e = link.engine(FakeLink::A);
  for (int i = 0; i < packets; ++i) ASSERT_EQ(e.write(2, data.data(), 1024), 1024);
  e.write(2, data.data(), 1);  // cuts the last full staging
  EXPECT_EQ(link.session(FakeLink::A).drw.channels[2].sendQueue.count, packets);
  EXPECT_EQ(e.sendSideBytes(2), packets * 1024);
}

INSTANTIATE_TEST_SUITE_P(Both, ChannelWrite, ::testing::Values(0, 1), algorithmName);

using ChannelReceive = EachAlgorithm;

TEST_P(ChannelReceive, SequencesAcrossTheWrapAreReadInOrder) {
  FakeLink link(algorithm());
  DrwChannel& c = link.session(FakeLink::B).drw.channels[2];
  c.nextRecvSeq = 65535;
  for (int s : {0, 1, 65535}) link.inject(FakeLink::B, testbytes::drw(2, s, 3));
  auto e = link.engine(FakeLink::B);
  EXPECT_EQ(e.inOrderBytes(2), 9);
  uint8_t out[9];
  ASSERT_EQ(e.takeInOrder(2, out, 9), 9);
  const Bytes expected = {0xFF, 0x00, 0x01, 0x00, 0x01, 0x02, 0x01, 0x02, 0x03};
  EXPECT_EQ(Bytes(out, out + 9), expected);
  EXPECT_EQ(c.nextRecvSeq, 2);
  EXPECT_EQ(fakelink::acknowledged(link, FakeLink::B, 2), (std::vector<int>{0, 1, 65535}));
}

TEST_P(ChannelReceive, APacketAThirdOfTheSpaceAheadIsRefusedAndNotAcknowledged) {
  FakeLink link(algorithm());
  DrwChannel& c = link.session(FakeLink::B).drw.channels[0];
  c.nextRecvSeq = 100;
  link.inject(FakeLink::B, testbytes::drw(0, 100, 10));
  link.inject(FakeLink::B, testbytes::drw(0, 100 + 21846, 10));
  EXPECT_EQ(fakelink::sequencesOf(c.received), (std::vector<int>{100}));
  link.inject(FakeLink::B, testbytes::drw(0, 100 + 21845, 10));
  EXPECT_EQ(fakelink::sequencesOf(c.received), (std::vector<int>{100, 100 + 21845}));
  EXPECT_EQ(fakelink::acknowledged(link, FakeLink::B, 0), (std::vector<int>{100, 100 + 21845}));
}

TEST_P(ChannelReceive, NoWindowReachesAThirdOfTheSpacePastTheNextExpectedPacket) {
  // With nothing received yet, such a packet would open a gap that can
  // never close and time the session out.
  FakeLink link(algorithm());
  DrwChannel& c = link.session(FakeLink::B).drw.channels[1];
  link.inject(FakeLink::B, testbytes::drw(1, 21846, 10));
  EXPECT_EQ(c.received.count, 0);
  EXPECT_TRUE(fakelink::acknowledged(link, FakeLink::B, 1).empty());
  link.inject(FakeLink::B, testbytes::drw(1, 21845, 10));
  EXPECT_EQ(c.received.count, 1);
}

TEST_P(ChannelReceive, DuplicatesAndAlreadyReadPacketsAreAcknowledgedButStoredOnce) {
  FakeLink link(algorithm());
  DrwChannel& c = link.session(FakeLink::B).drw.channels[3];
  c.nextRecvSeq = 50;
  link.inject(FakeLink::B, testbytes::drw(3, 51, 5));
  link.inject(FakeLink::B, testbytes::drw(3, 51, 5));
  link.inject(FakeLink::B, testbytes::drw(3, 49, 5));  // read before
  EXPECT_EQ(c.received.count, 1);
  EXPECT_EQ(fakelink::acknowledged(link, FakeLink::B, 3), (std::vector<int>{51, 51, 49}));
}

struct DataCase {
  const char* name;
  Bytes datagram;
  bool stored;
  bool closes;
};

class DataMessage : public ::testing::TestWithParam<std::tuple<int, DataCase>> {};

TEST_P(DataMessage, IsCheckedBeforeUse) {
  const DataCase& dc = std::get<1>(GetParam());
  FakeLink link(static_cast<uint8_t>(std::get<0>(GetParam())));
  link.inject(FakeLink::B, dc.datagram);
  const auto& s = link.session(FakeLink::B);
  int stored = 0;
  for (const auto& c : s.drw.channels) stored += c.received.count;
  EXPECT_EQ(stored, dc.stored ? 1 : 0);
  EXPECT_EQ(fakelink::acknowledged(link, FakeLink::B, 0).size(), dc.stored ? 1u : 0u);
  EXPECT_EQ(s.closedByPeer.load(), dc.closes ? 1 : 0);
  EXPECT_EQ(s.drwStop.load(), dc.closes ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Table, DataMessage,
    ::testing::Combine(::testing::Values(0, 1),
                       ::testing::Values(DataCase{"full_packet", testbytes::drw(0, 0, 1024), true, false},
                                         DataCase{"one_byte", testbytes::drw(0, 0, 1), true, false},
                                         DataCase{"over_the_staging", testbytes::drw(0, 0, 1025), false, false},
                                         DataCase{"largest_body", testbytes::drw(0, 0, 1432), false, false},
                                         DataCase{"no_data", testbytes::drw(0, 0, 0), false, false},
                                         DataCase{"bad_marker", testbytes::drw(0, 0, 10, 0xD2), false, false},
                                         DataCase{"channel_4", testbytes::drw(4, 0, 10), false, true})),
    caseName<DataCase>);

TEST_P(ChannelReceive, BeyondTheReceiveLimitOnlyTheNextExpectedPacketIsTaken) {
  FakeLink link(algorithm());
  DrwChannel& c = link.session(FakeLink::B).drw.channels[0];
  // Sequence 0 is missing; 1..129 wait behind it (132,096 bytes).
  for (int s = 1; s <= 129; ++s) link.inject(FakeLink::B, testbytes::drw(0, s, 1024));
  ASSERT_EQ(c.received.bytes, 129 * 1024);
  link.inject(FakeLink::B, testbytes::drw(0, 130, 1024));
  EXPECT_EQ(c.received.count, 129);
  link.inject(FakeLink::B, testbytes::drw(0, 0, 1024));
  EXPECT_EQ(c.received.count, 130);
  auto acked = fakelink::acknowledged(link, FakeLink::B, 0);
  EXPECT_EQ(std::count(acked.begin(), acked.end(), 130), 0);
  EXPECT_EQ(std::count(acked.begin(), acked.end(), 0), 1);
  EXPECT_EQ(acked.size(), 130u);
  EXPECT_EQ(link.engine(FakeLink::B).inOrderBytes(0), 130 * 1024);
}

TEST_P(ChannelReceive, AFullAcknowledgementListDropsThePacket) {
  FakeLink link(algorithm());
  DrwChannel& c = link.session(FakeLink::B).drw.channels[1];
  c.ackCount = 82;
  link.inject(FakeLink::B, testbytes::drw(1, 0, 10));
  EXPECT_EQ(c.received.count, 0);
}

TEST_P(ChannelReceive, AcknowledgementsGoOutEarlyPastTheThreshold) {
  FakeLink link(algorithm());
  const int early = algorithm() == 1 ? 16 : 78;
  for (int s = 0; s < early; ++s) link.inject(FakeLink::B, testbytes::drw(0, s, 8));
  EXPECT_EQ(fakelink::sentCount(link, FakeLink::B, 0xD1), 0);
  link.inject(FakeLink::B, testbytes::drw(0, early, 8));
  EXPECT_EQ(fakelink::sentCount(link, FakeLink::B, 0xD1), 1);
  EXPECT_EQ(link.session(FakeLink::B).drw.channels[0].ackCount, 0);
}

INSTANTIATE_TEST_SUITE_P(Both, ChannelReceive, ::testing::Values(0, 1), algorithmName);

// Writes `count` full packets to a channel of side A.
void writePackets(FakeLink& link, int channel, int count) {
  const Bytes data = pattern(1024);
  auto e = link.engine(FakeLink::A);
  for (int i = 0; i < count; ++i) ASSERT_EQ(e.write(channel, data.data(), 1024), 1024);
}

// Puts 90 packets of channel 2 of side A in flight.
DrwChannel& sendNinety(FakeLink& link) {
  DrwChannel& c = link.session(FakeLink::A).drw.channels[2];
  c.allowance = 110;
  writePackets(link, 2, 90);
  link.engine(FakeLink::A).sendRound(link.now());
  EXPECT_EQ(c.inFlight.count, 90);
  return c;
}

class InFlight : public EachAlgorithm {
 protected:
  void SetUp() override { link_ = std::make_unique<FakeLink>(algorithm()); sendNinety(*link_); }
  DrwChannel& channel() { return link_->session(FakeLink::A).drw.channels[2]; }
  std::unique_ptr<FakeLink> link_;
};

struct AckCase {
  const char* name;
  Bytes datagram;
  int inFlightAfter;
  bool closes;
};

class Acknowledgement : public ::testing::TestWithParam<std::tuple<int, AckCase>> {};

TEST_P(Acknowledgement, IsCheckedAgainstItsBody) {
  const AckCase& ac = std::get<1>(GetParam());
  FakeLink link(static_cast<uint8_t>(std::get<0>(GetParam())));
  DrwChannel& c = sendNinety(link);
  link.inject(FakeLink::A, ac.datagram);
  EXPECT_EQ(c.inFlight.count + c.ready.count, ac.inFlightAfter);
  EXPECT_EQ(link.session(FakeLink::A).closedByPeer.load(), ac.closes ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Acknowledgement,
    ::testing::Combine(
        ::testing::Values(0, 1),
        ::testing::Values(AckCase{"lists_81", testbytes::drwAck(2, testbytes::range(0, 81)), 9, false},
                          AckCase{"lists_82", testbytes::drwAck(2, testbytes::range(0, 82)), 90, true},
                          AckCase{"stale_bytes_behind_count", testbytes::drwAck(2, 2, {0, 1, 2}), 90, false},
                          AckCase{"count_beyond_body", testbytes::drwAck(2, 3, {0, 1}), 90, false},
                          AckCase{"other_channel", testbytes::drwAck(1, testbytes::range(0, 5)), 90, false},
                          AckCase{"channel_4", testbytes::drwAck(4, {0}), 90, true},
                          AckCase{"bad_marker", testbytes::drwAck(2, 1, {0}, 0xD0), 90, false},
                          AckCase{"unknown_sequences", testbytes::drwAck(2, {500, 501}), 90, false})),
    caseName<AckCase>);

TEST_P(InFlight, AGapInTheAcknowledgementsSendsTheMissingPacketAgain) {
  link_->inject(FakeLink::A, testbytes::drwAck(2, {0, 1, 3, 4}));
  DrwChannel& c = channel();
  EXPECT_EQ(fakelink::sequencesOf(c.ready), (std::vector<int>{2}));
  link_->clearLog(FakeLink::A);
  link_->engine(FakeLink::A).sendRound(link_->now());
  const auto sent = fakelink::sentData(*link_, FakeLink::A);
  ASSERT_FALSE(sent.empty());
  EXPECT_EQ(sent[0].sequence, 2);
  if (algorithm() == 1) {
    EXPECT_EQ(c.inFlight.first->sequence, 2);
    EXPECT_EQ(c.inFlight.first->sentAt, 0xFFFFFFFFu);  // sent again
  }
}

TEST_P(InFlight, AcknowledgementShortensTheRoundPeriodOfAlgorithm1Only) {
  const uint32_t sentAt = link_->now();
  auto& drw = link_->session(FakeLink::A).drw;
  ASSERT_EQ(drw.roundPeriod, 8u);
  // Acknowledge 3 ms after the send.
  drw.lastRound = sentAt;  // keep rounds out of the way
  link_->runAlone(FakeLink::B, 3);
  link_->inject(FakeLink::A, testbytes::drwAck(2, {0}));
  EXPECT_EQ(drw.roundPeriod, algorithm() == 1 ? 4u : 8u);
}

INSTANTIATE_TEST_SUITE_P(Both, InFlight, ::testing::Values(0, 1), algorithmName);

TEST(Algorithm1Window, StopsWhenTheSpanExceedsTheAllowance) {
  FakeLink link(1);
  DrwChannel& c = link.session(FakeLink::A).drw.channels[0];
  c.allowance = 19;  // the round makes it 20: at most 30 sequences apart
  writePackets(link, 0, 60);
  link.engine(FakeLink::A).sendRound(link.now());
  EXPECT_EQ(c.inFlight.count, 31);
  EXPECT_EQ(c.ready.count, 29);
}

TEST(Algorithm1Window, HoldsAtMost128BetweenReadyAndInFlight) {
  FakeLink link(1);
  DrwChannel& c = link.session(FakeLink::A).drw.channels[0];
  writePackets(link, 0, 300);
  link.engine(FakeLink::A).sendRound(link.now());
  EXPECT_EQ(c.ready.count + c.inFlight.count, 128);
  EXPECT_EQ(c.inFlight.count, 121);
}

TEST(Algorithm0Window, GrowsFromAcknowledgements) {
  FakeLink link(0);
  DrwChannel& c = link.session(FakeLink::A).drw.channels[0];
  writePackets(link, 0, 300);
  link.engine(FakeLink::A).sendRound(link.now());
  EXPECT_EQ(c.allowance, 0);
  EXPECT_EQ(c.inFlight.count, 11);  // sends until in flight exceeds allowance + 10
  EXPECT_EQ(c.ready.count + c.inFlight.count, 256);
  // 8 > (0 + 10) x 0.7: allowance 1 + 0.
  link.inject(FakeLink::A, testbytes::drwAck(0, testbytes::range(0, 8)));
  EXPECT_EQ(c.allowance, 1);
  c.allowance = 50;
  // 42 > 60 x 0.7 = 42 is false: unchanged.
  link.inject(FakeLink::A, testbytes::drwAck(0, testbytes::range(8, 1)));
  EXPECT_EQ(c.allowance, 50);
  link.inject(FakeLink::A, testbytes::drwAck(0, 43, testbytes::range(100, 43)));
  EXPECT_EQ(c.allowance, 61);
  c.allowance = 100;
  link.inject(FakeLink::A, testbytes::drwAck(0, 80, testbytes::range(200, 80)));
  EXPECT_EQ(c.allowance, 110);
}

TEST(Algorithm0Alive, AKeepAliveSendsTwoInFlightPacketsAgain) {
  FakeLink link(0);
  DrwChannel& c = link.session(FakeLink::A).drw.channels[1];
  writePackets(link, 1, 5);
  link.engine(FakeLink::A).sendRound(link.now());
  ASSERT_EQ(c.inFlight.count, 5);
  link.inject(FakeLink::A, testbytes::datagram(0xE0, {}));
  EXPECT_EQ(fakelink::sequencesOf(c.ready), (std::vector<int>{0, 1}));
  EXPECT_EQ(fakelink::sentCount(link, FakeLink::A, 0xE1), 1);
}

TEST(Algorithm1Idle, AnIdlePassSendsTheOldestInFlightPacketAgain) {
  FakeLink link(1);
  DrwChannel& c = link.session(FakeLink::A).drw.channels[3];
  writePackets(link, 3, 3);
  auto e = link.engine(FakeLink::A);
  e.sendRound(link.now());
  ASSERT_EQ(c.inFlight.count, 3);
  e.endPass(true, false, link.now());
  EXPECT_EQ(c.ready.count, 0);
  e.endPass(false, true, link.now());  // a socket error counts, but resends nothing
  EXPECT_EQ(c.ready.count, 0);
  e.endPass(false, false, link.now());
  EXPECT_EQ(fakelink::sequencesOf(c.ready), (std::vector<int>{0}));
}

TEST(PunchAcknowledgement, AConnectorAnswersWithAKeepAliveAListenerDoesNot) {
  for (uint8_t algorithm : {0, 1}) {
    FakeLink link(algorithm);
    const Bytes punchAck = testbytes::datagram(0x42, Bytes(88, 0));
    link.inject(FakeLink::A, punchAck);
    link.inject(FakeLink::B, punchAck);
    EXPECT_EQ(fakelink::sentCount(link, FakeLink::A, 0xE0), 1) << int(algorithm);
    EXPECT_EQ(fakelink::sentCount(link, FakeLink::B, 0xE0), 0) << int(algorithm);
  }
}

TEST(Algorithm1Address, APeerMessageFromANewAddressMovesTheRemote) {
  FakeLink link(1);
  auto& s = link.session(FakeLink::B);
  const sockaddr_in moved = fakelink::address(0x7F000002, 31000);
  const Bytes alive = testbytes::datagram(0xE0, {});
  link.engine(FakeLink::B).onDatagram(0xE0, alive.data() + 4, 0, moved, link.now());
  EXPECT_EQ(s.remote.sin_port, moved.sin_port);
  // A server message from elsewhere does not.
  const sockaddr_in other = fakelink::address(0x7F000003, 32000);
  link.engine(FakeLink::B).onDatagram(0x01, alive.data() + 4, 0, other, link.now());
  EXPECT_EQ(s.remote.sin_port, moved.sin_port);
}

}  // namespace
