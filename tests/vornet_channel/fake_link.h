// Two channel engines joined by a simulated link on a fake millisecond
// clock: each side's send and receive threads are emulated tick by tick,
// and the link can lose, duplicate, delay and reorder datagrams (seeded).
#pragma once

#include <netinet/in.h>

#include <cstdint>
#include <deque>
#include <memory>
#include <random>
#include <vector>

#include "channel/drw_engine.h"
#include "session/session.h"

namespace fakelink {

struct Impairments {
  double loss = 0;       // share of datagrams dropped
  double duplicate = 0;  // share sent twice
  double reorder = 0;    // share held back by up to `reorderMs`
  uint32_t delayMs = 1;  // one-way delay of every datagram
  uint32_t reorderMs = 20;
  uint32_t seed = 1;
};

struct Datagram {
  uint32_t deliverAt = 0;
  std::vector<uint8_t> bytes;
  sockaddr_in from{};
};

sockaddr_in address(uint32_t hostOrderIp, uint16_t port);

class FakeLink {
 public:
  static constexpr int A = 0;  // connector
  static constexpr int B = 1;  // listener

  explicit FakeLink(uint8_t algorithm, Impairments impairments = {});
  ~FakeLink();
  FakeLink(const FakeLink&) = delete;
  FakeLink& operator=(const FakeLink&) = delete;

  vornet::ZORP_Session& session(int side) { return *sides_[side].session; }
  vornet::channel::DrwEngine engine(int side);
  uint32_t now() const { return now_; }

  // Advances the clock by `ms`, running both sides.
  void run(uint32_t ms);
  // Only the given side's receive thread sees time pass: the peer is gone.
  void runAlone(int side, uint32_t ms);

  // Sends of one side are dropped (a silent peer) while set.
  void setMuted(int side, bool muted) { sides_[side].muted = muted; }
  // Every datagram a side sent, as built (before the link's impairments).
  const std::vector<std::vector<uint8_t>>& sent(int side) const { return sides_[side].log; }
  void clearLog(int side) { sides_[side].log.clear(); }
  // Hands a datagram to a side's engine right now, as from its peer (no
  // end-of-pass handling, so pending acknowledgements stay listed).
  void inject(int side, const std::vector<uint8_t>& datagram);

 private:
  class SideSink : public vornet::channel::DatagramSink {
   public:
    SideSink(FakeLink& link, int side) : link_(link), side_(side) {}
    void send(const uint8_t* datagram, size_t length, const sockaddr_in& to) override;

   private:
    FakeLink& link_;
    int side_;
  };

  struct Side {
    std::unique_ptr<vornet::ZORP_Session> session;
    std::unique_ptr<SideSink> sink;
    std::deque<Datagram> inbox;  // ordered by deliverAt
    uint32_t passStart = 0;
    uint32_t lastRound0 = 0;
    bool muted = false;
    std::vector<std::vector<uint8_t>> log;
  };

  void transmit(int side, const uint8_t* datagram, size_t length);
  void tickSide(int side);
  void deliver(int side, const Datagram& d);

  Side sides_[2];
  Impairments imp_;
  std::mt19937 rng_;
  uint32_t now_ = 1000;
};

}  // namespace fakelink
