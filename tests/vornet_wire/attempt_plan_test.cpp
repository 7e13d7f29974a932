// Timing of the listen wait and of both connect attempt loops, tick by tick.
#include <gtest/gtest.h>

#include <vector>

#include "Vornet.h"
#include "session/attempt_plan.h"
#include "session/session.h"

using namespace vornet;

namespace {

// Ticks of the first `limit` at which the action shows.
std::vector<int> ticksOf(ConnectPlan& plan, uint32_t action, int limit,
                         ConnectPlan::View (*view)(int tick) = nullptr) {
  std::vector<int> out;
  for (int t = 0; t < limit; ++t) {
    const ConnectPlan::View v = view != nullptr ? view(t) : ConnectPlan::View{};
    if (plan.step(t, v) & action) out.push_back(t);
  }
  return out;
}

TEST(ConnectPlan, DefaultLoopSendsFiveRequestsAndThreeLanSearches) {
  ConnectPlan plan(KV_CONNECT_LAN | KV_CONNECT_P2P, false);
  std::vector<int> p2p, lan;
  for (int t = 0; t < ConnectPlan::kMaxTicks; ++t) {
    const uint32_t a = plan.step(t, ConnectPlan::View{});
    if (a & kActP2PRequest) p2p.push_back(t);
    if (a & kActLanSearch) lan.push_back(t);
    EXPECT_EQ(a & kActLockEveryTick, 0u);
  }
  EXPECT_EQ(p2p, (std::vector<int>{0, 100, 200, 300, 400}));
  EXPECT_EQ(lan, (std::vector<int>{0, 100, 200}));
}

TEST(ConnectPlan, DefaultRelayPhaseStarts250TicksAfterAcceptance) {
  ConnectPlan plan(KV_CONNECT_P2P | KV_CONNECT_RELAY, false);
  // Accepted (connectState 0) from tick 130 on.
  auto view = [](int t) {
    ConnectPlan::View v;
    v.connectState = t >= 130 ? 0 : 1;
    v.relayState = kRelayQuerySent;  // query answered by nothing yet
    return v;
  };
  const std::vector<int> queries = ticksOf(plan, kActRelayQuery, 1200, view);
  ASSERT_FALSE(queries.empty());
  // Phase begins at 380; the counter reads 3 on its third 10th tick.
  EXPECT_EQ(queries.front(), 400);
  EXPECT_TRUE(plan.relayPhase());
}

TEST(ConnectPlan, DefaultRelaySlotsAndQueryEveryTenthSlot) {
  ConnectPlan plan(KV_CONNECT_RELAY, false);  // no P2P: relay phase at once
  std::vector<int> slotsWithRequest, queries;
  for (int t = 0; t < ConnectPlan::kMaxTicks; ++t) {
    ConnectPlan::View v;
    v.relayState = kRelayRequestAccepted;  // not a pending query: requests go out
    const uint32_t a = plan.step(t, v);
    if (a & kActRelayQuery) queries.push_back(t);
    if (a & kActRelayRequest) slotsWithRequest.push_back(t);
  }
  // Counter 1..10 on ticks 0,10,...; slots at counter 3, 5, 7: ticks 20, 40, 60, 120, ...
  ASSERT_GE(slotsWithRequest.size(), 4u);
  EXPECT_EQ(std::vector<int>(slotsWithRequest.begin(), slotsWithRequest.begin() + 4),
            (std::vector<int>{40, 60, 120, 140}));  // slot 1 (tick 20) is a query and reads as pending
  // Slots 1, 11, 21, ...: slot 11 is the 2nd of the 4th cycle (tick 340).
  EXPECT_EQ(std::vector<int>(queries.begin(), queries.begin() + 2), (std::vector<int>{20, 340}));
}

TEST(ConnectPlan, AlternativeLoopTimings) {
  ConnectPlan plan(KV_CONNECT_LAN | KV_CONNECT_P2P | KV_CONNECT_RELAY, true);
  std::vector<int> lan, query, renew, request, p2p;
  for (int t = 0; t < ConnectPlan::kMaxTicks; ++t) {
    ConnectPlan::View v;
    v.relayState = kRelayRequestAccepted;
    v.nowMs = 100000;
    v.relayTimeMs = t >= 300 ? 99000 : 0;  // an allocation 1 s ago from tick 300 on
    const uint32_t a = plan.step(t, v);
    EXPECT_NE(a & kActLockEveryTick, 0u);
    if (a & kActLanSearch) lan.push_back(t);
    if (a & kActRelayQuery) query.push_back(t);
    if (a & kActRelayRenew) renew.push_back(t);
    if (a & kActRelayRequest) request.push_back(t);
    if (a & kActP2PRequest) p2p.push_back(t);
  }
  EXPECT_EQ(lan, (std::vector<int>{50, 100}));
  EXPECT_EQ(p2p, (std::vector<int>{0, 100, 200, 300, 400}));
  // Steps at 80, 100, 200, ...; the 1st, 5th, 9th step renew or query.
  EXPECT_EQ(query, (std::vector<int>{80}));
  EXPECT_EQ(renew, (std::vector<int>{400, 800}));
  EXPECT_EQ(request.front(), 100);
  EXPECT_EQ(request.size(), 11u);  // every step from 100 to 1100; renew steps add their own
}

TEST(ConnectPlan, AlternativeRelayBeginsAtTick80EvenWithoutAnswer) {
  ConnectPlan withP2P(KV_CONNECT_P2P | KV_CONNECT_RELAY, true);
  EXPECT_EQ(ticksOf(withP2P, kActRelayQuery, 100).front(), 80);
  ConnectPlan relayOnly(KV_CONNECT_RELAY, true);
  EXPECT_EQ(ticksOf(relayOnly, kActRelayQuery, 100).front(), 0);
}

TEST(ConnectPlan, MulticastAnnounceAtTicksTwoAndSeven) {
  for (bool alt : {false, true}) {
    ConnectPlan plan(KV_CONNECT_P2P | KV_CONNECT_MULTICAST, alt);
    EXPECT_EQ(ticksOf(plan, kActLanNotify, 1200), (std::vector<int>{2, 7}));
  }
  ConnectPlan none(KV_CONNECT_P2P, false);
  EXPECT_TRUE(ticksOf(none, kActLanNotify, 1200).empty());
}

std::vector<uint64_t> listenTicks(const ListenPlan& plan, uint32_t action, uint64_t limit) {
  std::vector<uint64_t> out;
  for (uint64_t t = 0; t < limit; ++t)
    if (plan.step(t) & action) out.push_back(t);
  return out;
}

TEST(ListenPlan, RegistrationAndAnnounceTicks) {
  const ListenPlan fast(false, true, true);
  EXPECT_EQ(fast.tickMs(), 10u);
  EXPECT_EQ(fast.tickLimit(2), 200u);
  EXPECT_EQ(fast.tickLimit(86400), 8640000u);
  // Tick 0 is a multiple of 2,000: the first registration goes with the wait's first tick.
  EXPECT_EQ(listenTicks(fast, kActRegister, 6001), (std::vector<uint64_t>{0, 100, 300, 2000, 4000, 6000}));
  EXPECT_EQ(listenTicks(fast, kActLanNotify, 6001), (std::vector<uint64_t>{0, 5}));

  const ListenPlan slow(true, true, true);
  EXPECT_EQ(slow.tickMs(), 100u);
  EXPECT_EQ(slow.tickLimit(2), 20u);
  EXPECT_EQ(listenTicks(slow, kActRegister, 1201), (std::vector<uint64_t>{0, 30, 400, 800, 1200}));
  EXPECT_EQ(listenTicks(slow, kActLanNotify, 1201), (std::vector<uint64_t>{0, 1}));

  // Announces only on even listen counts with the multicast flag.
  EXPECT_TRUE(listenTicks(ListenPlan(false, true, false), kActLanNotify, 100).empty());
  EXPECT_TRUE(listenTicks(ListenPlan(false, false, true), kActLanNotify, 100).empty());
  EXPECT_EQ(ListenPlan(false, false, true).tickLimit(0), 0u);
}

}  // namespace
