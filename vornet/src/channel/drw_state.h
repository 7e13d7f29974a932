// Per-session state of the reliable data channels: four ordered byte
// streams per linked session, carried in ZORP_MSG_DRW datagrams.
//
// The session record embeds one DrwSessionState. Every field below is
// guarded by the library's main mutex; nothing here is read without it.
// The record must not be cleared with memset: call drw_reset() instead
// (at claim and at link), and drw_free_lists() when the session goes.
#pragma once

#include <netinet/in.h>

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

#include "wire/zorp_wire.h"

namespace vornet {
namespace channel {

constexpr int kChannelCount = 4;
// Data bytes of one packet (and of each staging), and the sequences one
// acknowledgement may list: what one datagram carries.
constexpr int kPacketBytes = static_cast<int>(wire::kDrwMaxData);
constexpr int kAckListCapacity = static_cast<int>(wire::kDrwAckMaxCount);
constexpr int kReceiveLimitBytes = 131072;  // unread bytes beyond which packets ahead of order are dropped

// One packet, sent or received.
struct PacketNode {
  int sequence = 0;         // 16-bit sequence number
  int length = 0;           // data bytes, 1..1024
  uint8_t* data = nullptr;  // owned; `length` bytes
  uint32_t sentAt = 0;      // ms of the first send; 0 before; 0xFFFFFFFF once sent again
  PacketNode* next = nullptr;
  PacketNode* prev = nullptr;
};

// Doubly linked list in circular sequence order.
struct PacketList {
  PacketNode* first = nullptr;
  PacketNode* last = nullptr;
  int count = 0;
  int bytes = 0;  // sum of lengths
};

// Bytes a framed read took out of a channel and has not handed over yet: a
// message whose payload has not all arrived when the read's time is up
// stays here for the next framed read, so no read waits beyond its time-out
// and no message is split. These bytes come before the channel's packets.
struct HeldStream {
  std::vector<uint8_t> bytes;
  // While set, a message's 4-byte header was taken and `bytes` begins with
  // its payload so far.
  bool open = false;
  int length = 0;
  uint8_t type = 0;
};

struct DrwChannel {
  PacketList sendQueue;  // cut, not yet eligible
  PacketList ready;      // eligible to be sent or sent again
  PacketList inFlight;   // sent, not acknowledged
  PacketList received;   // arrived, not yet read

  uint16_t nextSendSeq = 0;
  uint16_t nextRecvSeq = 0;

  uint8_t writeStaging[kPacketBytes] = {};
  uint16_t writeFill = 0;

  uint8_t readStaging[kPacketBytes] = {};
  uint16_t readPos = 0;
  uint16_t readFill = 0;

  HeldStream held;

  uint16_t ackList[kAckListCapacity] = {};
  uint16_t ackCount = 0;

  uint16_t allowance = 0;  // window allowance, at most 110

  // Gap clock of this channel only: ms when a reader first saw the next
  // expected packet missing. Valid while gapPending is set.
  bool gapPending = false;
  uint32_t gapSince = 0;
};

// The session-wide state. Flags that are polled without the mutex live in
// the session record itself (drwStop, timedOut, closedByPeer,
// closedByCaller, broken) as std::atomic<uint8_t>.
struct DrwSessionState {
  DrwChannel channels[kChannelCount];

  uint8_t algorithm = 0;     // 1: adaptive rounds, window 120; 0: 40 ms rounds
  uint32_t roundPeriod = 8;  // ms, algorithm 1
  uint32_t lastRound = 0;    // ms of the last send round

  // Receive-loop bookkeeping.
  uint32_t idlePasses = 0;      // passes that received nothing since the last peer message
  uint32_t missedAlive = 0;     // keep-alives sent and not answered
  uint32_t lastPassEnd = 0;     // ms, algorithm 1: end of the previous pass
  bool lastPassEndValid = false;
  sockaddr_in lastSender = {};  // sender of the last datagram, for the listener's idle punch

  // The two data threads of the linked session.
  std::thread recvThread;
  std::thread sendThread;
};

}  // namespace channel
}  // namespace vornet
