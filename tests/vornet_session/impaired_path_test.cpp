// The relayed path's seeded faults.
#include "impaired_path.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace world_test {
namespace {

using rendezvous::Datagram;
using rendezvous::Impairment;
using rendezvous::ImpairedPath;

Datagram numbered(uint32_t n) {
  Datagram d;
  d.bytes = {static_cast<uint8_t>(n >> 24), static_cast<uint8_t>(n >> 16), static_cast<uint8_t>(n >> 8),
             static_cast<uint8_t>(n)};
  return d;
}

uint32_t number_of(const Datagram& d) {
  return (uint32_t{d.bytes[0]} << 24) | (uint32_t{d.bytes[1]} << 16) | (uint32_t{d.bytes[2]} << 8) | d.bytes[3];
}

// Submits `count` datagrams one ms apart, drains everything at the end;
// the numbers in delivery order.
std::vector<uint32_t> run(const Impairment& imp, uint32_t count) {
  ImpairedPath path(imp);
  std::vector<uint32_t> out;
  for (uint32_t i = 0; i < count; ++i) {
    path.submit(numbered(i), i);
    for (const auto& d : path.takeDue(i)) out.push_back(number_of(d));
  }
  for (const auto& d : path.takeDue(count + 100000)) out.push_back(number_of(d));
  return out;
}

TEST(ImpairedPath, WithoutFaultsEverythingPassesAtOnceInOrder) {
  ImpairedPath path(Impairment{});
  path.submit(numbered(1), 5);
  path.submit(numbered(2), 5);
  EXPECT_EQ(path.nextDue().value_or(0), 5u);
  const auto out = path.takeDue(5);
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(number_of(out[0]), 1u);
  EXPECT_EQ(number_of(out[1]), 2u);
  EXPECT_FALSE(path.nextDue());
}

TEST(ImpairedPath, LossFollowsThePercentage) {
  const double percents[] = {0, 10, 33.3, 100};
  const uint32_t n = 20000;
  for (double p : percents) {
    Impairment imp;
    imp.lossPercent = p;
    const auto out = run(imp, n);
    const double lost = 100.0 * (n - out.size()) / n;
    EXPECT_NEAR(lost, p, 1.5) << "loss " << p;
    EXPECT_TRUE(std::is_sorted(out.begin(), out.end()));
  }
}

TEST(ImpairedPath, TheSeedDecidesTheFaults) {
  Impairment imp;
  imp.lossPercent = 20;
  imp.duplicatePercent = 10;
  imp.reorderPercent = 10;
  imp.jitterMs = 5;
  const auto a = run(imp, 2000);
  EXPECT_EQ(run(imp, 2000), a);
  imp.seed = 2;
  EXPECT_NE(run(imp, 2000), a);
}

TEST(ImpairedPath, DelayAndJitterStayWithinBounds) {
  Impairment imp;
  imp.delayMs = 20;
  imp.jitterMs = 10;
  ImpairedPath path(imp);
  for (int i = 0; i < 200; ++i) path.submit(numbered(static_cast<uint32_t>(i)), 1000);
  EXPECT_TRUE(path.takeDue(1019).empty());
  size_t got = 0;
  for (rendezvous::Millis t = 1020; t <= 1030; ++t) got += path.takeDue(t).size();
  EXPECT_EQ(got, 200u);
  EXPECT_EQ(path.counters().delivered, 200u);
}

TEST(ImpairedPath, DuplicationDeliversBothCopies) {
  Impairment imp;
  imp.duplicatePercent = 100;
  const auto out = run(imp, 50);
  ASSERT_EQ(out.size(), 100u);
  for (uint32_t i = 0; i < 50; ++i) EXPECT_EQ(std::count(out.begin(), out.end(), i), 2) << i;
}

TEST(ImpairedPath, ReorderingLetsLaterDatagramsOvertakeAndLosesNothing) {
  Impairment imp;
  imp.reorderPercent = 25;
  imp.reorderDelayMs = 10;
  const auto out = run(imp, 400);
  ASSERT_EQ(out.size(), 400u);
  EXPECT_FALSE(std::is_sorted(out.begin(), out.end()));
  auto sorted = out;
  std::sort(sorted.begin(), sorted.end());
  for (uint32_t i = 0; i < 400; ++i) EXPECT_EQ(sorted[i], i);
}

TEST(ImpairedPath, QueueIsBounded) {
  Impairment imp;
  imp.delayMs = 1000;
  ImpairedPath path(imp);
  for (uint32_t i = 0; i < ImpairedPath::kMaxQueued + 10; ++i) path.submit(numbered(i), 0);
  EXPECT_EQ(path.counters().dropped, 10u);
  EXPECT_EQ(path.takeDue(1000).size(), ImpairedPath::kMaxQueued);
}

}  // namespace
}  // namespace world_test
