// The reliable-channel engine of one linked session on a fake clock:
// datagrams from the peer (raw, or DRW packets and acknowledgements built
// from a few numbers), writes, send rounds, receive passes, and reads, both
// unframed and framed. Checked on every step: the lists stay consistent;
// what the engine sends is what was written, in order, and a resend repeats
// its packet exactly. When the peer's packets were built here (their
// contents are then known, see peer_stream.h), what the readers get is the
// peer's stream in order, each byte once: a framed read hands over every
// message the peer wrote framed whole, in order, exactly once, never split
// or mixed with another; a message only partly in is held for the next
// framed read. A framed read returns within its time-out (rounded up to
// whole 50 ms rounds), and with -3 only when no whole message was there.
//
// Input: one byte (algorithm, role), then operations of one byte each plus
// their arguments; at most kMaxOperations.
#include <arpa/inet.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

#include "channel/channel_reader.h"
#include "channel/drw_engine.h"
#include "channel/drw_session.h"
#include "fuzz_bytes.h"
#include "fuzz_check.h"
#include "net/datagram_check.h"
#include "net/zorp_socket.h"
#include "peer_stream.h"
#include "reader_model.h"
#include "session/session.h"
#include "wire/zorp_wire.h"

using namespace vornet;
using namespace vornet::channel;

namespace {

constexpr int kMaxOperations = 400;
constexpr size_t kReceiveCapacity = 1600;  // the receive loop's body buffer

const sockaddr_in kPeer = net::address_from_text("10.0.0.1", 40000);
const sockaddr_in kStranger = net::address_from_text("10.0.0.9", 40009);

// What the caller writes: the n-th byte of a channel's stream.
uint8_t writtenByte(int channel, uint64_t n) { return uint8_t(n * 13 + channel * 5 + (n >> 9)); }

class Clock : public ReadClock {
 public:
  uint32_t now() override { return now_; }
  void sleep(uint32_t ms) override {
    now_ += ms;
    ++sleeps;
  }
  void advance(uint32_t ms) { now_ += ms; }
  int sleeps = 0;

 private:
  uint32_t now_ = 100000;
};

// What the engine sends: whole datagrams to the session's remote; DRW
// packets are checked against the cut packets once the step is over.
struct Sent {
  int channel;
  uint16_t sequence;
  std::vector<uint8_t> bytes;
};

class CheckingSink : public DatagramSink {
 public:
  explicit CheckingSink(const ZORP_Session& s) : s_(s) {}
  void send(const uint8_t* d, size_t n, const sockaddr_in& to) override {
    wire::ZORP_HEADER h;
    FUZZ_CHECK(wire::read_header(d, n, &h) && size_t(h.bodyLength) + 4 == n);
    if (h.type != wire::ZORP_MSG_DRW && h.type != wire::ZORP_MSG_DRW_ACK) return;
    FUZZ_CHECK(to.sin_addr.s_addr == s_.remote.sin_addr.s_addr && to.sin_port == s_.remote.sin_port);
    if (h.type == wire::ZORP_MSG_DRW_ACK) {
      FUZZ_CHECK(n <= 4 + 4 + 2 * wire::kDrwAckMaxCount);
      return;
    }
    wire::DrwView v;
    FUZZ_CHECK(wire::read_drw(d + 4, n - 4, &v) && v.channel < kChannelCount);
    FUZZ_CHECK(v.length >= 1 && v.length <= size_t(kPacketBytes));
    pending.push_back({v.channel, v.sequence, std::vector<uint8_t>(v.data, v.data + v.length)});
  }
  std::vector<Sent> pending;

 private:
  const ZORP_Session& s_;
};

// The send side against what the caller wrote: every packet, when first
// seen in a send list, holds the next bytes of the written stream; sent
// packets (first sends and resends alike) are exactly those packets.
class SendModel {
 public:
  void observe(const ZORP_Session& s, const uint64_t written[kChannelCount], std::vector<Sent>& sent) {
    for (int c = 0; c < kChannelCount; ++c) {
      const DrwChannel& ch = s.drw.channels[c];
      std::map<int, const PacketNode*> fresh;  // by distance from the next cut sequence
      for (const PacketList* list : {&ch.sendQueue, &ch.ready, &ch.inFlight}) {
        for (const PacketNode* n = list->first; n != nullptr; n = n->next) {
          if (packets_[c].count(uint16_t(n->sequence)) != 0) continue;
          fresh.emplace(uint16_t(n->sequence - nextCut_[c]), n);
        }
      }
      int expected = 0;
      for (const auto& [distance, node] : fresh) {
        FUZZ_CHECK(distance == expected++);  // cut packets are numbered without a gap
        for (int k = 0; k < node->length; ++k)
          FUZZ_CHECK(node->data[k] == writtenByte(c, cutBytes_[c] + uint64_t(k)));
        packets_[c].emplace(uint16_t(node->sequence), std::vector<uint8_t>(node->data, node->data + node->length));
        cutBytes_[c] += uint64_t(node->length);
        ++nextCut_[c];
      }
      // The staging holds the written bytes not cut yet.
      FUZZ_CHECK(cutBytes_[c] + ch.writeFill == written[c]);
      for (int k = 0; k < ch.writeFill; ++k) FUZZ_CHECK(ch.writeStaging[k] == writtenByte(c, cutBytes_[c] + uint64_t(k)));
    }
    for (const Sent& x : sent) {
      const auto known = packets_[x.channel].find(x.sequence);
      FUZZ_CHECK(known != packets_[x.channel].end() && known->second == x.bytes);
    }
    sent.clear();
  }

 private:
  std::map<uint16_t, std::vector<uint8_t>> packets_[kChannelCount];
  uint16_t nextCut_[kChannelCount] = {};
  uint64_t cutBytes_[kChannelCount] = {};
};

void checkList(const PacketList& list, bool ordered) {
  int count = 0;
  int bytes = 0;
  const PacketNode* prev = nullptr;
  for (const PacketNode* n = list.first; n != nullptr; n = n->next) {
    FUZZ_CHECK(count < 70000);
    FUZZ_CHECK(n->prev == prev);
    FUZZ_CHECK(n->length >= 1 && n->length <= kPacketBytes && n->data != nullptr);
    FUZZ_CHECK(n->sequence >= 0 && n->sequence <= 0xFFFF);
    if (ordered && prev) FUZZ_CHECK(int16_t(uint16_t(n->sequence - prev->sequence)) > 0);
    ++count;
    bytes += n->length;
    prev = n;
  }
  FUZZ_CHECK(list.last == prev && list.count == count && list.bytes == bytes);
}

void checkSession(const ZORP_Session& s) {
  for (const DrwChannel& c : s.drw.channels) {
    checkList(c.sendQueue, true);
    checkList(c.ready, true);
    checkList(c.inFlight, true);
    checkList(c.received, true);
    FUZZ_CHECK(c.writeFill <= kPacketBytes && c.readPos <= c.readFill && c.readFill <= kPacketBytes);
    FUZZ_CHECK(c.ackCount <= kAckListCapacity && c.allowance <= kAllowanceMax);
    const int window = s.drw.algorithm == 1 ? kWindowAlgorithm1 : kWindowAlgorithm0;
    FUZZ_CHECK(c.ready.count + c.inFlight.count <= window);
  }
}

// The time a framed read may take at most: whole rounds of 50 ms, at least one.
int64_t framedBudget(int64_t timeoutMs) { return std::max<int64_t>(timeoutMs / 50, 1) * 50; }

constexpr int64_t kFramedTimeouts[8] = {-1, 0, 1, 49, 50, 120, 300, 1000};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzsupport::FuzzBytes in(data, size);
  static ZORP_Session s;
  session_clear(s);
  const uint8_t setup = in.byte();
  const uint8_t algorithm = setup & 1;
  s.role = (setup >> 1) & 1;
  s.drwAlgorithm = algorithm;
  s.remote = kPeer;
  s.socket = 100;
  drw_reset(s.drw, algorithm);

  Clock clock;
  CheckingSink sink(s);
  SendModel sendModel;
  std::recursive_mutex mutex;
  ChannelReader reader(s, mutex, clock, [] { return 0; });
  fuzzvornet::ReaderModel model;
  const fuzzvornet::PeerStream& stream = fuzzvornet::PeerStream::instance();
  fuzzvornet::PeerPackets packets;
  bool peerContentsKnown = true;
  uint64_t written[kChannelCount] = {};
  std::vector<uint8_t> body(kReceiveCapacity);

  for (int op = 0; op < kMaxOperations && !in.empty(); ++op) {
    DrwEngine engine(s, sink);
    const uint8_t code = in.byte();
    const int channel = (code >> 4) & 3;
    switch (code & 15) {
      case 0:
      case 1: {  // a raw datagram, from the peer or from a stranger
        const std::vector<uint8_t> d = in.run(wire::kReceiveMax);
        net::Received rx;
        if (net::check_datagram(d.data(), d.size(), d.size(), body.data(), body.size(), &rx) != net::kRecvOk)
          break;
        if (rx.type == wire::ZORP_MSG_DRW) peerContentsKnown = false;
        engine.onDatagram(rx.type, body.data(), rx.copied, (code & 15) == 0 ? kPeer : kStranger, clock.now());
        break;
      }
      case 2: {  // one of the peer's packets
        const uint16_t sequence = in.u16();
        uint8_t d[wire::kDrwDatagram];
        // A new packet may end where the peer likes. Bit 6: the length that
        // follows; bit 7: a few bytes (the byte that follows, -3..+3) off the
        // end of the message it starts in.
        int wanted = 0;
        if (code & 0x40) {
          wanted = 1 + in.u16() % fuzzvornet::PeerStream::kMaxPacket;
        } else if (code & 0x80) {
          const uint64_t at = packets.offset(channel, sequence);
          wanted = int(std::min<uint64_t>(stream.messageEnd(channel, at) - at, 4096)) + in.byte() % 7 - 3;
        }
        const fuzzvornet::PeerPackets::Packet p = packets.packet(channel, sequence, wanted);
        std::vector<uint8_t> payload(static_cast<size_t>(p.length));
        stream.bytes(channel, p.offset, payload.data(), payload.size());
        const size_t n = wire::build_drw(d, uint8_t(channel), sequence, payload.data(), payload.size());
        engine.onDatagram(d[1], d + 4, n - 4, kPeer, clock.now());
        break;
      }
      case 3: {  // the peer's acknowledgement of a run of sequences
        const uint16_t first = in.u16();
        const uint8_t count = in.byte() % (wire::kDrwAckMaxCount + 1);
        const uint8_t stride = in.byte() % 4;
        uint16_t sequences[wire::kDrwAckMaxCount];
        for (int i = 0; i < count; ++i) sequences[i] = uint16_t(first + i * stride);
        uint8_t d[wire::kDrwDatagram];
        const size_t n = wire::build_drw_ack(d, uint8_t(channel), sequences, count);
        engine.onDatagram(d[1], d + 4, n - 4, kPeer, clock.now());
        break;
      }
      case 4: {  // the caller writes
        const int n = 1 + in.u16() % 4096;
        std::vector<uint8_t> bytes(static_cast<size_t>(n));
        for (int k = 0; k < n; ++k) bytes[size_t(k)] = writtenByte(channel, written[channel] + uint64_t(k));
        const int r = engine.write(channel, bytes.data(), n);
        FUZZ_CHECK(r == n || r == -20);
        if (r == n) written[channel] += uint64_t(n);
        break;
      }
      case 5:
        engine.sendRound(clock.now());
        break;
      case 6:
        engine.endPass((code & 0x40) != 0, (code & 0x80) != 0, clock.now());
        break;
      case 7:
        clock.advance(in.u16());
        break;
      case 8: {  // a reader, with a short time-out
        int len = 1 + in.u16() % 3000;
        const uint32_t timeout = in.byte() % 4 * 10;
        std::vector<uint8_t> buf(static_cast<size_t>(len));
        const bool heldOpen = s.drw.channels[channel].held.open;
        const int r = reader.read(channel, buf.data(), &len, timeout);
        FUZZ_CHECK(r == 0 || r == -3 || r == -12 || r == -13 || r == -14 || r == -20);
        FUZZ_CHECK(len >= 0 && size_t(len) <= buf.size());
        FUZZ_CHECK(r == 0 || len == 0);
        if (peerContentsKnown) model.unframed(channel, heldOpen, buf.data(), len);
        break;
      }
      case 9: {
        const int inOrder = engine.inOrderBytes(channel);
        FUZZ_CHECK(inOrder >= 0 && inOrder <= s.drw.channels[channel].received.bytes + kPacketBytes);
        FUZZ_CHECK(engine.sendSideBytes(channel) >= 0);
        break;
      }
      case 10: {  // a framed reader: time-out, buffer size, type wanted or not
        const uint8_t how = in.byte();
        const int64_t timeout = kFramedTimeouts[how & 7];
        const DrwChannel& ch = s.drw.channels[channel];
        int capacity = 0;
        switch ((how >> 3) & 3) {
          case 0:
            capacity = 1 + in.u16() % 12000;
            break;
          case 1:  // around the next message's length (a reader out of step may see any)
            capacity = std::min(peerContentsKnown ? model.nextLength(channel, ch.held) : 0, 65536) + (how >> 5) % 3 - 1;
            break;
          case 2:
            capacity = in.u16();
            break;
          default:
            capacity = int(in.u16() % 3) - 1;
            break;
        }
        const bool heldOpen = ch.held.open;
        const int readable = model.readable(ch.held, engine.inOrderBytes(channel));
        std::vector<uint8_t> buf(static_cast<size_t>(std::max(capacity, 1)));
        int len = capacity;
        uint8_t type = 0xEE;
        const bool wantType = (how & 0x80) == 0;
        const uint32_t start = clock.now();
        clock.sleeps = 0;
        const int r = reader.readFramed(channel, buf.data(), &len, timeout, wantType ? &type : nullptr);
        // Within its time-out on the clock, and without spinning on it.
        const int64_t budget = framedBudget(timeout);
        const int64_t took = int64_t(clock.now() - start);
        FUZZ_CHECK(took <= budget && clock.sleeps <= budget / 10 + 1);
        FUZZ_CHECK(r != -3 || took == budget);
        FUZZ_CHECK(r == 0 || r == -3 || r == -12 || r == -13 || r == -14 || r == -20 || r == -23);
        FUZZ_CHECK(len >= 0 && len <= std::max(capacity, 0));
        if (peerContentsKnown) {
          model.framed(channel, heldOpen, readable,
                       {r, len, wantType ? int(type) : -1, buf.data(), capacity});
        }
        break;
      }
      default:
        break;
    }
    checkSession(s);
    // Only reads change what a reader holds.
    if (peerContentsKnown && ((code & 15) == 8 || (code & 15) == 10)) model.checkHeld(channel, s.drw.channels[channel].held);
    sendModel.observe(s, written, sink.pending);
  }
  drw_free_lists(s.drw);
  return 0;
}
