// The timed sends of the waiting calls, as thread-free plans: each step
// takes the tick number and what the session shows now, and answers which
// datagrams go out at that tick.  The drivers (listen and connect) sleep,
// poll the session and perform the actions.
#pragma once

#include <cstdint>

namespace vornet {

// Actions of one tick (bit set).
enum PlanAction : uint32_t {
  kActLanNotify = 1u << 0,   // ZORP_MSG_LAN_NOTIFY to the multicast group
  kActP2PRequest = 1u << 1,  // ZORP_MSG_P2P_REQ to each server
  kActLanSearch = 1u << 2,   // ZORP_MSG_LAN_SEARCH
  kActRelayQuery = 1u << 3,  // relayState := 251, relayRetry := 1, ZORP_MSG_RLY_QUERY to each server
  kActRelayRequest = 1u << 4,  // ZORP_MSG_RLY_REQ to each server
  kActRelayRenew = 1u << 5,  // alternative loop: relayState := 254 and ZORP_MSG_RLY_REQ to each server
                             // (before a kActRelayRequest of the same tick)
  kActRegister = 1u << 6,    // ZORP_MSG_DEV_REG to each server
  kActLockEveryTick = 1u << 7,  // the tick runs under the main mutex
};

// The wait of KV_Listen.  10 ms ticks, or 100 ms ticks with
// KV_LISTEN_NO_DETECT.
class ListenPlan {
 public:
  ListenPlan(bool slowTicks, bool multicast, bool counterEven);
  unsigned tickMs() const { return slow_ ? 100u : 10u; }
  // Number of ticks the wait may last for a countdown in seconds.
  uint64_t tickLimit(int countdownSeconds) const;
  // The 100 ms form reads the countdown again on every tick; the 10 ms
  // form keeps the limit it started with.
  bool rereadsLimit() const { return slow_; }
  uint32_t step(uint64_t tick) const;

 private:
  bool slow_;
  bool multicast_;
  bool counterEven_;
};

// The attempt loops of KV_Connect: 10 ms ticks, at most 1,200.
class ConnectPlan {
 public:
  static constexpr int kMaxTicks = 1200;
  static constexpr unsigned kTickMs = 10;

  ConnectPlan(uint32_t flags, bool alternative);

  // What the session shows at this tick.
  struct View {
    int8_t connectState = 1;
    uint8_t relayState = 0;
    uint32_t nowMs = 0;       // millisecond clock
    uint32_t relayTimeMs = 0;  // last ZORP_MSG_RLY_ALLOC_ACK, 0 none
  };
  uint32_t step(int tick, const View& v);

  bool relayPhase() const { return relayPhase_; }

 private:
  uint32_t relaySteps(int tick, const View& v);
  uint32_t defaultRelay(int tick, const View& v);
  uint32_t alternativeRelay(int tick, const View& v);

  uint32_t flags_;
  bool alt_;
  int p2pSent_ = 0;
  int acceptedAt_ = -1;
  bool relayPhase_ = false;
  int relayStartTick_ = -1;
  int phaseCounter_ = 0;
  int relaySlots_ = 0;
  int relayStepCount_ = 0;
};

}  // namespace vornet
