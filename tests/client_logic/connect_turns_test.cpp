#include "device/connect_turns.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

using Rank = ConnectTurns::Rank;

std::vector<std::string> takeAll(ConnectTurns& t, int64_t now) {
  std::vector<std::string> out;
  while (const auto id = t.take(now)) out.push_back(*id);
  return out;
}

}  // namespace

TEST(ConnectTurns, AtMostAFewRunAndAnEndedTurnLetsTheNextIn) {
  ConnectTurns t(3);
  for (const char* id : {"A", "B", "C", "D", "E"}) EXPECT_TRUE(t.ask(id, Rank::Soon));
  EXPECT_EQ(takeAll(t, 0), (std::vector<std::string>{"A", "B", "C"}));
  EXPECT_EQ(t.runningCount(), 3);
  EXPECT_EQ(t.waitingCount(), 2);
  t.ended("X");  // not running: nothing
  EXPECT_FALSE(t.take(0));
  t.ended("B");
  EXPECT_EQ(takeAll(t, 0), (std::vector<std::string>{"D"}));
  t.remove("A");  // a camera that goes frees its turn
  EXPECT_EQ(takeAll(t, 0), (std::vector<std::string>{"E"}));
  EXPECT_EQ(t.waitingCount(), 0);
}

// Now (a play waits) before Soon (not tried yet, or Online before) before
// Retry (failed last time); within a rank in the order asked. Asking again
// never queues twice; it may raise a camera, never lower it.
TEST(ConnectTurns, RanksThenOrderAsked) {
  const struct {
    const char* name;
    std::vector<std::pair<std::string, Rank>> asks;
    std::vector<std::string> turns;
  } cases[] = {
      {"one rank keeps the order", {{"A", Rank::Retry}, {"B", Rank::Retry}, {"C", Rank::Retry}}, {"A", "B", "C"}},
      {"ranks first",
       {{"R1", Rank::Retry}, {"S1", Rank::Soon}, {"N1", Rank::Now}, {"S2", Rank::Soon}, {"R2", Rank::Retry}},
       {"N1", "S1", "S2", "R1", "R2"}},
      {"asked twice is queued once", {{"A", Rank::Soon}, {"B", Rank::Soon}, {"A", Rank::Soon}}, {"A", "B"}},
      {"raised to Now goes to the front",
       {{"A", Rank::Retry}, {"B", Rank::Retry}, {"C", Rank::Retry}, {"C", Rank::Now}},
       {"C", "A", "B"}},
      {"raised joins the end of its new rank",
       {{"S", Rank::Soon}, {"A", Rank::Retry}, {"B", Rank::Retry}, {"B", Rank::Soon}},
       {"S", "B", "A"}},
      {"a lower rank does not lower it", {{"A", Rank::Now}, {"B", Rank::Soon}, {"A", Rank::Retry}}, {"A", "B"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ConnectTurns t(10);
    for (const auto& a : c.asks) t.ask(a.first, a.second);
    EXPECT_EQ(takeAll(t, 0), c.turns);
  }
}

TEST(ConnectTurns, ARunningCameraIsNotQueuedAgain) {
  ConnectTurns t(2);
  t.ask("A", Rank::Soon);
  ASSERT_EQ(t.take(0), std::optional<std::string>("A"));
  EXPECT_FALSE(t.ask("A", Rank::Now));
  EXPECT_FALSE(t.queued("A"));
  EXPECT_TRUE(t.running("A"));
  t.ended("A");
  EXPECT_TRUE(t.ask("A", Rank::Retry));
}

// A turn whose report never comes ends at its bound, so a lost report
// cannot take a turn for good.
TEST(ConnectTurns, TurnsWithoutAReportEndAtTheirBound) {
  ConnectTurns t(2);
  t.ask("A", Rank::Soon);
  t.ask("B", Rank::Soon);
  t.ask("C", Rank::Soon);
  EXPECT_FALSE(t.nextExpiry());
  ASSERT_TRUE(t.take(1000));
  ASSERT_TRUE(t.take(3000));
  EXPECT_EQ(t.nextExpiry(), std::optional<int64_t>(1000 + ConnectTurns::kAttemptBoundMs));
  EXPECT_TRUE(t.expire(1000 + ConnectTurns::kAttemptBoundMs - 1).empty());
  EXPECT_FALSE(t.take(1000 + ConnectTurns::kAttemptBoundMs - 1));
  EXPECT_EQ(t.expire(1000 + ConnectTurns::kAttemptBoundMs), (std::vector<std::string>{"A"}));
  EXPECT_EQ(t.take(1000 + ConnectTurns::kAttemptBoundMs), std::optional<std::string>("C"));
  EXPECT_EQ(t.nextExpiry(), std::optional<int64_t>(3000 + ConnectTurns::kAttemptBoundMs));
}

// Many cameras that never come online, each asking again after its
// failed turn: every one is tried, in turn, and none twice before all the
// others had theirs.
TEST(ConnectTurns, ManyFailingCamerasAreTriedInTurn) {
  constexpr int kCameras = 50;
  ConnectTurns t(4);
  for (int i = 0; i < kCameras; ++i) t.ask("CAM" + std::to_string(i), Rank::Soon);
  std::vector<std::string> order;
  for (int round = 0; round < 2 * kCameras; ++round) {
    const std::vector<std::string> started = takeAll(t, round);
    ASSERT_LE(t.runningCount(), 4);
    for (const std::string& id : started) {
      order.push_back(id);
      t.ended(id);
      t.ask(id, Rank::Retry);
    }
  }
  ASSERT_GE(order.size(), size_t(2 * kCameras));
  for (size_t start = 0; start + kCameras <= order.size(); start += kCameras) {
    const std::set<std::string> window(order.begin() + long(start), order.begin() + long(start + kCameras));
    EXPECT_EQ(window.size(), size_t(kCameras)) << "turns " << start << "..";
  }
}
