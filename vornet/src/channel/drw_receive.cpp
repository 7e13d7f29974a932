// The receive side: data, acknowledgements, keep-alives, the peer's close,
// and the idle handling of each receive pass.
#include <algorithm>

#include "channel/drw_engine.h"
#include "channel/packet_list.h"
#include "channel/sequence.h"
#include "wire/zorp_wire.h"

namespace vornet {
namespace channel {

namespace {

bool same_address(const sockaddr_in& a, const sockaddr_in& b) {
  return a.sin_addr.s_addr == b.sin_addr.s_addr && a.sin_port == b.sin_port;
}

void move_to_ready(DrwChannel& c, PacketNode* node) { list_insert(c.ready, node); }

}  // namespace

void DrwEngine::onDatagram(uint8_t type, const uint8_t* body, size_t length, const sockaddr_in& from,
                           uint32_t now) {
  drw_.lastSender = from;
  if (drw_.algorithm == 1 && !same_address(from, s_.remote)) {
    if (type >= wire::ZORP_MSG_DRW && type <= wire::ZORP_MSG_CLOSE) {
      s_.remote = from;  // the peer's NAT moved its mapping
    } else if (type != wire::ZORP_MSG_PUNCH_ACK) {
      return;
    }
  }
  switch (type) {
    case wire::ZORP_MSG_DRW:
      onData(body, length);
      break;
    case wire::ZORP_MSG_DRW_ACK:
      onAck(body, length, now);
      break;
    case wire::ZORP_MSG_ALIVE:
      onAlive();
      break;
    case wire::ZORP_MSG_ALIVE_ACK:
      drw_.missedAlive = 0;
      break;
    case wire::ZORP_MSG_CLOSE:
      markClosedByPeer();
      break;
    case wire::ZORP_MSG_PUNCH_ACK:
      if (s_.role == 0) sendEmpty(wire::ZORP_MSG_ALIVE);
      break;
    default:
      break;
  }
}

void DrwEngine::onData(const uint8_t* body, size_t length) {
  wire::DrwView v;
  if (!wire::read_drw(body, length, &v)) return;
  drw_.idlePasses = 0;
  drw_.missedAlive = 0;
  if (v.channel >= kChannelCount) {
    markClosedByPeer();
    return;
  }
  // Empty, or longer than the read staging can take.
  if (v.length == 0 || v.length > static_cast<size_t>(kPacketBytes)) return;
  DrwChannel& c = drw_.channels[v.channel];
  const int ahead = seq_diff(v.sequence, c.nextRecvSeq);
  if (c.received.bytes > kReceiveLimitBytes && ahead > 0) return;
  if (c.ackCount == kAckListCapacity) return;
  if (ahead >= 0) {
    if (ahead > kSequenceReach) return;  // no window reaches that far
    PacketNode* node = packet_new(v.sequence, v.data, static_cast<int>(v.length));
    if (node == nullptr) {
      markBroken();
      return;
    }
    if (list_insert(c.received, node) == InsertResult::Rejected) return;
  }
  // Stored now, stored before, or already read: acknowledge it.
  c.ackList[c.ackCount++] = v.sequence;
  const int early = drw_.algorithm == 1 ? kAckEarlyAlgorithm1 : kAckEarlyAlgorithm0;
  if (c.ackCount > early) flushAcks(v.channel);
}

void DrwEngine::requeueOlderThan(DrwChannel& c, int sequence) {
  while (c.inFlight.first != nullptr && seq_diff(c.inFlight.first->sequence, sequence) < 0) {
    move_to_ready(c, list_pop_first(c.inFlight));
    if (drw_.algorithm == 1 && c.allowance > 0) c.allowance = static_cast<uint16_t>(c.allowance - 1);
  }
}

void DrwEngine::onAck(const uint8_t* body, size_t length, uint32_t now) {
  wire::DrwAckView v;
  if (!wire::read_drw_ack(body, length, &v)) return;
  drw_.idlePasses = 0;
  drw_.missedAlive = 0;
  if (v.channel >= kChannelCount || v.count >= kAckListCapacity) {
    markClosedByPeer();
    return;
  }
  // The count must match the body: stale bytes behind it acknowledge nothing.
  if (length != 4 + 2 * static_cast<size_t>(v.count)) return;
  DrwChannel& c = drw_.channels[v.channel];
  if (drw_.algorithm == 0 && v.count * 10 > (c.allowance + 10) * 7) {
    c.allowance = static_cast<uint16_t>(std::min(1 + c.allowance * 12 / 10, static_cast<int>(kAllowanceMax)));
  }
  for (size_t i = 0; i < v.count; ++i) {
    const int sequence = v.sequence(i);
    PacketNode* node = list_unlink(c.inFlight, sequence);
    if (node == nullptr) node = list_unlink(c.ready, sequence);
    if (node != nullptr) {
      if (drw_.algorithm == 1 && node->sentAt != 0 && node->sentAt != 0xFFFFFFFFu) {
        const uint32_t period = now - node->sentAt + 1;
        if (period < drw_.roundPeriod) drw_.roundPeriod = period;
      }
      packet_free(node);
    }
    requeueOlderThan(c, sequence);
  }
}

void DrwEngine::onAlive() {
  sendEmpty(wire::ZORP_MSG_ALIVE_ACK);
  drw_.missedAlive = 0;
  if (drw_.algorithm != 0) return;
  for (DrwChannel& c : drw_.channels) {
    double budget = 3;
    while (budget >= 1 && c.inFlight.first != nullptr) {
      PacketNode* moved = list_pop_first(c.inFlight);
      const int sequence = moved->sequence;
      move_to_ready(c, moved);
      if (c.inFlight.first != nullptr && sequence == static_cast<uint16_t>(c.inFlight.first->sequence + 1)) {
        budget -= 1;
      } else {
        budget /= 2;
      }
    }
  }
}

void DrwEngine::endPass(bool received, bool socketError, uint32_t now) {
  if (drw_.algorithm == 1) {
    const bool late = drw_.lastPassEndValid && now - drw_.lastPassEnd > 1000;
    if (!received || late || socketError) idleAlgorithm1(socketError);
    drw_.lastPassEnd = now;
    drw_.lastPassEndValid = true;
    if (!s_.drwStop && roundDue(now)) sendRound(now);
  } else if (!received || socketError) {
    idleAlgorithm0();
  }
}

void DrwEngine::idleAlgorithm1(bool socketError) {
  if (!socketError) {
    if (s_.role == 1 && s_.linkMode == 0 && drw_.missedAlive > 0 && drw_.lastSender.sin_addr.s_addr != 0) {
      uint8_t datagram[wire::kSmallDatagram];
      const size_t n =
          wire::build_peer(datagram, wire::ZORP_MSG_PUNCH_ACK, s_.prefix, s_.tag, s_.id, drw_.algorithm);
      sink_.send(datagram, n, drw_.lastSender);
    }
    for (DrwChannel& c : drw_.channels) {
      if (c.inFlight.first != nullptr) move_to_ready(c, list_pop_first(c.inFlight));
    }
  }
  // Keep-alives at the idle passes counted 199, 399, ...
  countIdlePass(kAlivePassesAlgorithm1, kAlivePassesAlgorithm1 - 1, kMaxMissedAlgorithm1);
}

// Keep-alives at the idle passes counted 0, 50, 100, ...: the first idle
// pass after the peer was last heard already asks for an answer.
void DrwEngine::idleAlgorithm0() { countIdlePass(kAlivePassesAlgorithm0, 0, kMaxMissedAlgorithm0); }

void DrwEngine::countIdlePass(uint32_t passesPerAlive, uint32_t phase, uint32_t maxMissed) {
  // Every passesPerAlive-th idle pass sends a keep-alive; too many
  // unanswered ones time the session out.
  if (drw_.idlePasses % passesPerAlive == phase) {
    sendEmpty(wire::ZORP_MSG_ALIVE);
    drw_.missedAlive += 1;
    if (drw_.missedAlive > maxMissed) {
      s_.timedOut = 1;
      s_.drwStop = 1;
    }
  }
  drw_.idlePasses += 1;
}

}  // namespace channel
}  // namespace vornet
