// The reliable-channel engine of one linked session: thread-free, driven
// by the two data threads (and by readers and writers) with the current
// millisecond clock passed in, sending through a DatagramSink.
//
// Every call expects the main mutex held. The engine is a view: it owns
// nothing and may be constructed for each call.
#pragma once

#include <netinet/in.h>

#include <cstddef>
#include <cstdint>

#include "channel/datagram_sink.h"
#include "channel/drw_state.h"
#include "session/session.h"

namespace vornet {
namespace channel {

constexpr uint16_t kAllowanceMax = 110;
constexpr uint16_t kAllowanceStartAlgorithm1 = 110;
constexpr uint32_t kRoundPeriodStart = 8;
constexpr uint32_t kRoundPeriodAlgorithm0 = 40;
constexpr int kWindowAlgorithm1 = 128;  // ready + inFlight
constexpr int kWindowAlgorithm0 = 256;
constexpr int kAckEarlyAlgorithm1 = 16;  // acknowledge at once beyond this many
constexpr int kAckEarlyAlgorithm0 = 78;
constexpr uint32_t kGapTimeoutMs = 5000;
constexpr int kReceiveWaitAlgorithm1 = 5;  // ms one receive pass waits
constexpr int kReceiveWaitAlgorithm0 = 40;
constexpr uint32_t kAlivePassesAlgorithm1 = 200;
constexpr uint32_t kAlivePassesAlgorithm0 = 50;
constexpr uint32_t kMaxMissedAlgorithm1 = 6;
constexpr uint32_t kMaxMissedAlgorithm0 = 3;

// What one pass of a framed read came to.
struct FramedPass {
  enum Result { Waiting, Delivered, TooSmall, Broken } result = Waiting;
  int length = 0;    // payload length of the message (Delivered, TooSmall)
  uint8_t type = 0;  // its type byte
};

// Why a reader's pass stopped short.
enum class ReadStop { None, ClosedByCaller, Broken, TimedOutInGap, ClosedByPeerInGap };

class DrwEngine {
 public:
  DrwEngine(ZORP_Session& session, DatagramSink& sink) : s_(session), drw_(session.drw), sink_(sink) {}

  // ---- writers ----
  // Appends to the channel's staging, cutting full packets. len, or -20
  // when a packet cannot be allocated (the session is then broken).
  int write(int channel, const uint8_t* data, int len);

  // ---- readers ----
  // Bytes readable in order now (staging rest + the in-order run of received).
  int inOrderBytes(int channel) const;
  // Unacknowledged send-side bytes (sendQueue + ready + inFlight).
  int sendSideBytes(int channel) const;
  // Bytes held by a framed read that has not finished its message.
  int heldBytes(int channel) const;
  // Delivers up to `want` held bytes to an unframed read. Such a read ends
  // the held message's framing: its payload bytes go out as plain bytes,
  // as after a too-small buffer (the header stays consumed).
  int takeHeld(int channel, uint8_t* out, int want);
  // Delivers up to `want` bytes from the read staging only.
  int takeStaged(int channel, uint8_t* out, int want);
  // Delivers up to `want` in-order bytes, moving packets through the staging.
  int takeInOrder(int channel, uint8_t* out, int want);
  // One pass of a framed read into `out` (capacity bytes): takes the
  // 4-byte header once it is whole, moves what is in order behind it into
  // the held message, and delivers the message when its payload is
  // complete. TooSmall: a payload longer than `capacity`; a new header is
  // then consumed and its payload left in the stream, an open message
  // stays held. Broken: the held bytes could not be stored.
  FramedPass framedPass(int channel, uint8_t* out, int capacity);
  // Checks the channel's gap after a reader's pass: starts its gap clock,
  // or times the session out when the gap is older than 5 s.
  ReadStop checkAfterRead(int channel, uint32_t now);

  // ---- send side ----
  // The round of the session's algorithm.
  void sendRound(uint32_t now);
  // Algorithm 1: whether a round is due (roundPeriod since lastRound).
  bool roundDue(uint32_t now) const;

  // ---- receive side ----
  // One received datagram of the session socket.
  void onDatagram(uint8_t type, const uint8_t* body, size_t length, const sockaddr_in& from, uint32_t now);
  // The end of one receive pass: `received` when a datagram was handled,
  // `socketError` when the receive failed.
  void endPass(bool received, bool socketError, uint32_t now);

 private:
  bool cutStaging(DrwChannel& c);
  bool cutPacket(DrwChannel& c, const uint8_t* data, int len);
  void markBroken();
  void markClosedByPeer();
  void sendPacket(int channel, const PacketNode& node);
  void flushAcks(int channel);
  void roundAlgorithm1(int channel, uint32_t now);
  void roundAlgorithm0(int channel);
  void onData(const uint8_t* body, size_t length);
  void onAck(const uint8_t* body, size_t length, uint32_t now);
  void onAlive();
  void requeueOlderThan(DrwChannel& c, int sequence);
  void idleAlgorithm1(bool socketError);
  void idleAlgorithm0();
  void countIdlePass(uint32_t passesPerAlive, uint32_t phase, uint32_t maxMissed);
  void sendEmpty(uint8_t type);

  ZORP_Session& s_;
  DrwSessionState& drw_;
  DatagramSink& sink_;
};

}  // namespace channel
}  // namespace vornet
