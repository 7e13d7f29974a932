// The writer's and the reader's side of a channel: staging, cutting and
// taking bytes in order.
#include <algorithm>
#include <cstring>

#include "channel/drw_engine.h"
#include "channel/packet_list.h"

namespace vornet {
namespace channel {

void DrwEngine::markBroken() {
  s_.broken = 1;
  s_.drwStop = 1;
}

void DrwEngine::markClosedByPeer() {
  s_.closedByPeer = 1;
  s_.drwStop = 1;
}

bool DrwEngine::cutPacket(DrwChannel& c, const uint8_t* data, int len) {
  PacketNode* node = packet_new(c.nextSendSeq, data, len);
  if (node == nullptr) return false;
  c.nextSendSeq = static_cast<uint16_t>(c.nextSendSeq + 1);
  // Cut packets are consecutive, so they are appended: an ordered insert
  // would refuse them once more than a third of the sequence space waits.
  list_push_back(c.sendQueue, node);
  return true;
}

bool DrwEngine::cutStaging(DrwChannel& c) {
  if (c.writeFill == 0) return true;
  if (!cutPacket(c, c.writeStaging, c.writeFill)) return false;
  c.writeFill = 0;
  return true;
}

int DrwEngine::write(int channel, const uint8_t* data, int len) {
  DrwChannel& c = drw_.channels[channel];
  const int room = kPacketBytes - c.writeFill;
  if (len <= room) {
    std::memcpy(c.writeStaging + c.writeFill, data, static_cast<size_t>(len));
    c.writeFill = static_cast<uint16_t>(c.writeFill + len);
    return len;
  }
  std::memcpy(c.writeStaging + c.writeFill, data, static_cast<size_t>(room));
  c.writeFill = kPacketBytes;
  if (!cutStaging(c)) {
    markBroken();
    return -20;
  }
  int offset = room;
  while (len - offset >= kPacketBytes) {
    if (!cutPacket(c, data + offset, kPacketBytes)) {
      markBroken();
      return -20;
    }
    offset += kPacketBytes;
  }
  std::memcpy(c.writeStaging, data + offset, static_cast<size_t>(len - offset));
  c.writeFill = static_cast<uint16_t>(len - offset);
  return len;
}

int DrwEngine::inOrderBytes(int channel) const {
  const DrwChannel& c = drw_.channels[channel];
  int bytes = c.readFill - c.readPos;
  uint16_t expect = c.nextRecvSeq;
  for (const PacketNode* n = c.received.first; n != nullptr && n->sequence == expect; n = n->next) {
    bytes += n->length;
    expect = static_cast<uint16_t>(expect + 1);
  }
  return bytes;
}

int DrwEngine::sendSideBytes(int channel) const {
  const DrwChannel& c = drw_.channels[channel];
  return c.sendQueue.bytes + c.ready.bytes + c.inFlight.bytes;
}

int DrwEngine::takeStaged(int channel, uint8_t* out, int want) {
  DrwChannel& c = drw_.channels[channel];
  const int n = std::min(want, c.readFill - c.readPos);
  if (n <= 0) return 0;
  std::memcpy(out, c.readStaging + c.readPos, static_cast<size_t>(n));
  c.readPos = static_cast<uint16_t>(c.readPos + n);
  return n;
}

int DrwEngine::takeInOrder(int channel, uint8_t* out, int want) {
  DrwChannel& c = drw_.channels[channel];
  int got = takeStaged(channel, out, want);
  while (got < want && c.received.first != nullptr && c.received.first->sequence == c.nextRecvSeq) {
    PacketNode* node = list_pop_first(c.received);
    std::memcpy(c.readStaging, node->data, static_cast<size_t>(node->length));
    c.readFill = static_cast<uint16_t>(node->length);
    c.readPos = 0;
    packet_free(node);
    c.nextRecvSeq = static_cast<uint16_t>(c.nextRecvSeq + 1);
    c.gapPending = false;
    got += takeStaged(channel, out + got, want - got);
  }
  return got;
}

ReadStop DrwEngine::checkAfterRead(int channel, uint32_t now) {
  if (s_.closedByCaller) return ReadStop::ClosedByCaller;
  if (s_.broken) return ReadStop::Broken;
  DrwChannel& c = drw_.channels[channel];
  if (c.received.first == nullptr) {
    c.gapPending = false;
    return ReadStop::None;
  }
  if (c.received.first->sequence == c.nextRecvSeq) return ReadStop::None;
  // The next packet is missing.
  if (s_.timedOut) return ReadStop::TimedOutInGap;
  if (s_.closedByPeer) return ReadStop::ClosedByPeerInGap;
  if (!c.gapPending) {
    c.gapPending = true;
    c.gapSince = now;
  } else if (now - c.gapSince > kGapTimeoutMs) {
    s_.timedOut = 1;
    return ReadStop::TimedOutInGap;
  }
  return ReadStop::None;
}

}  // namespace channel
}  // namespace vornet
