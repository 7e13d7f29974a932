// What the peer of the channel fuzz target writes on each channel: one
// byte stream of framed messages (a 4-byte header, the payload length in
// its low 24 bits little-endian and the type in byte 3, then the payload),
// cut into packets whose lengths depend on channel and sequence only. So
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

  // Built once (tables for every sequence of every channel).
  static const PeerStream& instance();

  // Packet `sequence` of `channel`: its length (1..1024) and bytes.
  int packetLength(int channel, uint16_t sequence) const;
  void packetBytes(int channel, uint16_t sequence, uint8_t* out) const;

  // Bytes [offset, offset + n) of the channel's stream.
  void bytes(int channel, uint64_t offset, uint8_t* out, size_t n) const;
  bool matches(int channel, uint64_t offset, const uint8_t* data, size_t n) const;

  // The header found at `offset`, whether or not a message starts there:
  // payload length and type.
  int headerLength(int channel, uint64_t offset) const;
  uint8_t headerType(int channel, uint64_t offset) const;

  // The message that starts at `offset`, or -1 when none starts there.
  int64_t messageAt(int channel, uint64_t offset) const;
  uint64_t messageStart(int channel, int64_t message) const;
  int messageLength(int channel, int64_t message) const;

 private:
  PeerStream();
  uint8_t byteAt(int channel, uint64_t offset) const;
  size_t messageContaining(int channel, uint64_t offset) const;

  std::vector<uint32_t> packetStart_[kChannels];   // 65537 offsets: packet s is [s, s+1)
  std::vector<uint32_t> messageStart_[kChannels];  // up to the end of packet 65535
};

}  // namespace fuzzvornet
