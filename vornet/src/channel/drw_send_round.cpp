// The send rounds of both algorithms: cut the staging, fill the window,
// send what the window allows, flush pending acknowledgements.
#include <algorithm>

#include "channel/drw_engine.h"
#include "channel/packet_list.h"
#include "channel/sequence.h"
#include "wire/zorp_wire.h"

namespace vornet {
namespace channel {

namespace {

void fill_ready(DrwChannel& c, int window) {
  while (c.sendQueue.first != nullptr && c.ready.count + c.inFlight.count < window) {
    list_insert(c.ready, list_pop_first(c.sendQueue));
  }
}

}  // namespace

void DrwEngine::sendEmpty(uint8_t type) {
  uint8_t datagram[wire::kSmallDatagram];
  const size_t n = wire::build_empty(datagram, type);
  sink_.send(datagram, n, s_.remote);
}

void DrwEngine::sendPacket(int channel, const PacketNode& node) {
  uint8_t datagram[wire::kDrwDatagram];
  const size_t n = wire::build_drw(datagram, static_cast<uint8_t>(channel), static_cast<uint16_t>(node.sequence),
                                   node.data, static_cast<size_t>(node.length));
  sink_.send(datagram, n, s_.remote);
}

void DrwEngine::flushAcks(int channel) {
  DrwChannel& c = drw_.channels[channel];
  if (c.ackCount == 0) return;
  uint8_t datagram[wire::kDrwDatagram];
  const size_t n = wire::build_drw_ack(datagram, static_cast<uint8_t>(channel), c.ackList, c.ackCount);
  sink_.send(datagram, n, s_.remote);
  c.ackCount = 0;
}

bool DrwEngine::roundDue(uint32_t now) const { return now - drw_.lastRound >= drw_.roundPeriod; }

void DrwEngine::sendRound(uint32_t now) {
  for (int ch = 0; ch < kChannelCount; ++ch) {
    if (drw_.algorithm == 1) {
      roundAlgorithm1(ch, now);
    } else {
      roundAlgorithm0(ch);
    }
    flushAcks(ch);
  }
  drw_.lastRound = now;
}

void DrwEngine::roundAlgorithm1(int channel, uint32_t now) {
  DrwChannel& c = drw_.channels[channel];
  c.allowance = static_cast<uint16_t>(std::min<int>(c.allowance + 1, kAllowanceMax));
  if (!cutStaging(c)) markBroken();
  fill_ready(c, kWindowAlgorithm1);
  const int limit = c.allowance + 10;
  while (c.ready.first != nullptr) {
    if (c.inFlight.first != nullptr) {
      const int f = c.ready.first->sequence;
      const int a = c.inFlight.first->sequence;
      const int b = c.inFlight.last->sequence;
      if (seq_distance(f, a) > limit || seq_distance(f, b) > limit || seq_distance(a, b) > limit) break;
    }
    PacketNode* node = list_pop_first(c.ready);
    node->sentAt = node->sentAt == 0 ? (now == 0 ? 1 : now) : 0xFFFFFFFFu;
    sendPacket(channel, *node);
    list_insert(c.inFlight, node);
  }
}

void DrwEngine::roundAlgorithm0(int channel) {
  DrwChannel& c = drw_.channels[channel];
  if (!cutStaging(c)) markBroken();
  fill_ready(c, kWindowAlgorithm0);
  bool first = true;
  int previous = 0;
  while (c.ready.first != nullptr) {
    const int f = c.ready.first->sequence;
    if (!first && f != static_cast<uint16_t>(previous + 1)) {
      // Only a run of consecutive packets goes out in one round; a jump
      // far ahead of the oldest unacknowledged packet shrinks the window.
      if (c.inFlight.first != nullptr) {
        const int g = c.inFlight.first->sequence;
        if (seq_diff(f, g) > 0 && seq_forward(g, f) > c.allowance + 10 && c.allowance != 0) {
          c.allowance = static_cast<uint16_t>(c.allowance * 8 / 10);
        }
      }
      break;
    }
    PacketNode* node = list_pop_first(c.ready);
    sendPacket(channel, *node);
    list_insert(c.inFlight, node);
    previous = f;
    first = false;
    if (c.allowance + 10 < c.inFlight.count) break;
  }
}

}  // namespace channel
}  // namespace vornet
