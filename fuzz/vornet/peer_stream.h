// What the peer of the channel fuzz target writes on each channel: one
// byte stream of framed messages (a 4-byte header, the payload length in
// its low 24 bits little-endian and the type in byte 3, then the payload),
// the same for every run, and how one run's peer cut it into packets. So
// the bytes of any packet the target builds are known, and so is what a
// reader must get from any point of the stream, framed or not.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace fuzzvornet {

class PeerStream {
 public:
  static constexpr int kChannels = 4;
  static constexpr int kHeaderBytes = 4;
  static constexpr int kMaxPacket = 1024;

  // Built once (the message table of every channel).
  static const PeerStream& instance();

  // Bytes [offset, offset + n) of the channel's stream.
  void bytes(int channel, uint64_t offset, uint8_t* out, size_t n) const;
  bool matches(int channel, uint64_t offset, const uint8_t* data, size_t n) const;

  // The header found at `offset`, whether or not a message starts there:
  // payload length and type.
  int headerLength(int channel, uint64_t offset) const;
  uint8_t headerType(int channel, uint64_t offset) const;

  // The message that starts at `offset`, or -1 when none starts there.
  int64_t messageAt(int channel, uint64_t offset) const;
  // Where the message that holds `offset` ends.
  uint64_t messageEnd(int channel, uint64_t offset) const;

 private:
  PeerStream();
  uint8_t byteAt(int channel, uint64_t offset) const;
  size_t messageContaining(int channel, uint64_t offset) const;

  std::vector<uint32_t> messageStart_[kChannels];  // as far as 65536 packets of the largest size reach
};

// Where one run's peer cut each channel's stream into packets. A packet
// keeps the bytes it was first built with (a resend repeats them); a new
// packet's length is the one asked for, or else one that depends on the
// channel and sequence only; the packets between the last one cut and a
// new one further on get that usual length.
class PeerPackets {
 public:
  struct Packet {
    uint64_t offset;  // in the channel's stream
    int length;       // 1..1024
  };
  // `wanted`: the length for a new packet (1..1024), or 0 for the usual one.
  Packet packet(int channel, uint16_t sequence, int wanted);
  // Where packet `sequence` starts (the packets before it are cut).
  uint64_t offset(int channel, uint16_t sequence);

 private:
  void cutUpTo(int channel, uint16_t sequence);

  std::vector<uint64_t> start_[PeerStream::kChannels];  // start_[c][s]: offset of packet s; one more than cut
};

}  // namespace fuzzvornet
