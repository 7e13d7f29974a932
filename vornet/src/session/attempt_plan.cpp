#include "session/attempt_plan.h"

#include "Vornet.h"
#include "session/session.h"

namespace vornet {

namespace {
constexpr int kP2PRequests = 5;
constexpr int kRelayCountdownTicks = 250;
constexpr int kAltRelayStartTick = 80;
constexpr uint32_t kAltRelayFreshMs = 3500;

// Whether a relay state reads as "query in progress" (251-253).
bool relay_query_pending(uint8_t relayState) {
  return relayState == kRelayQuerySent || relayState == kRelayListReceived || relayState == kRelayProbeAnswered;
}
}  // namespace

ListenPlan::ListenPlan(bool slowTicks, bool multicast, bool counterEven)
    : slow_(slowTicks), multicast_(multicast), counterEven_(counterEven) {}

uint64_t ListenPlan::tickLimit(int countdownSeconds) const {
  if (countdownSeconds <= 0) return 0;
  return static_cast<uint64_t>(countdownSeconds) * (slow_ ? 10u : 100u);
}

uint32_t ListenPlan::step(uint64_t tick) const {
  uint32_t out = 0;
  const uint64_t notifyA = 0, notifyB = slow_ ? 1 : 5;
  if ((tick == notifyA || tick == notifyB) && counterEven_ && multicast_) out |= kActLanNotify;
  const uint64_t every = slow_ ? 400 : 2000;
  const bool reg = slow_ ? tick == 30 : (tick == 100 || tick == 300);
  if (reg || tick % every == 0) out |= kActRegister;
  return out;
}

ConnectPlan::ConnectPlan(uint32_t flags, bool alternative) : flags_(flags), alt_(alternative) {}

uint32_t ConnectPlan::step(int tick, const View& v) {
  uint32_t out = alt_ ? static_cast<uint32_t>(kActLockEveryTick) : 0u;
  if ((flags_ & KV_CONNECT_MULTICAST) != 0 && (tick == 2 || tick == 7)) out |= kActLanNotify;

  if ((flags_ & KV_CONNECT_P2P) != 0) {
    if (tick % 100 == 0 && p2pSent_ < kP2PRequests) {
      ++p2pSent_;
      out |= kActP2PRequest;
    }
    if (alt_) {
      if (tick >= kAltRelayStartTick) relayPhase_ = true;
    } else {
      if (acceptedAt_ < 0 && v.connectState == 0) acceptedAt_ = tick;
      if (acceptedAt_ >= 0 && tick - acceptedAt_ >= kRelayCountdownTicks) relayPhase_ = true;
    }
  } else {
    relayPhase_ = true;
  }

  const bool lanTick = alt_ ? (tick == 50 || tick == 100) : (tick == 0 || tick == 100 || tick == 200);
  if ((flags_ & KV_CONNECT_LAN) != 0 && lanTick) out |= kActLanSearch;
  if ((flags_ & KV_CONNECT_RELAY) != 0 && relayPhase_) out |= relaySteps(tick, v);
  return out;
}

uint32_t ConnectPlan::relaySteps(int tick, const View& v) {
  if (relayStartTick_ < 0) relayStartTick_ = tick;
  return alt_ ? alternativeRelay(tick, v) : defaultRelay(tick, v);
}

uint32_t ConnectPlan::defaultRelay(int tick, const View& v) {
  if (tick % 10 != 0) return 0;
  phaseCounter_ = phaseCounter_ % 10 + 1;
  if (phaseCounter_ != 3 && phaseCounter_ != 5 && phaseCounter_ != 7) return 0;
  ++relaySlots_;
  uint32_t out = 0;
  uint8_t state = v.relayState;
  if (relaySlots_ % 10 == 1) {
    out |= kActRelayQuery;
    state = kRelayQuerySent;
  }
  if (!relay_query_pending(state)) out |= kActRelayRequest;
  return out;
}

uint32_t ConnectPlan::alternativeRelay(int tick, const View& v) {
  if (tick != relayStartTick_ && tick % 100 != 0) return 0;
  ++relayStepCount_;
  uint32_t out = 0;
  uint8_t state = v.relayState;
  if (relayStepCount_ % 4 == 1) {
    const bool stale = v.relayTimeMs == 0 || v.nowMs - v.relayTimeMs > kAltRelayFreshMs;
    if (stale) {
      out |= kActRelayQuery;
      state = kRelayQuerySent;
    } else {
      out |= kActRelayRenew;
      state = kRelayRequestSent;
    }
  }
  if (!relay_query_pending(state)) out |= kActRelayRequest;
  return out;
}

}  // namespace vornet
