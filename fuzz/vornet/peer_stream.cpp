#include "peer_stream.h"

#include <algorithm>
#include <cstring>

namespace fuzzvornet {

namespace {

constexpr int kSequences = 65536;

int packetLengthOf(int channel, int sequence) { return 1 + (sequence * 37 + channel * 11) % 1024; }

// Payload lengths of all sizes a reader meets: empty, a few bytes, about a
// packet, several packets.
int messageLengthOf(int channel, uint32_t message) {
  const uint32_t h = (message * 2654435761u) ^ (uint32_t(channel) * 40503u);
  const uint32_t pick = (h >> 7) % 1000;
  switch ((h >> 17) % 16) {
    case 0:
      return 0;
    case 1: case 2: case 3: case 4: case 5: case 6: case 7: case 8: case 9:
      return 1 + int(pick % 300);
    case 10: case 11: case 12: case 13:
      return 300 + int(pick * 2);
    case 14:
      return 1500 + int(pick * 3);
    default:
      return 4000 + int(pick * 16);
  }
}

uint8_t messageTypeOf(int channel, uint32_t message) { return uint8_t(message * 17 + uint32_t(channel) * 5 + 1); }

uint8_t payloadByte(int channel, uint32_t message, uint32_t k) {
  return uint8_t(message * 31 + k * 7 + uint32_t(channel) * 3 + (k >> 8) * 5);
}

}  // namespace

const PeerStream& PeerStream::instance() {
  static const PeerStream stream;
  return stream;
}

PeerStream::PeerStream() {
  for (int c = 0; c < kChannels; ++c) {
    std::vector<uint32_t>& packets = packetStart_[c];
    packets.resize(kSequences + 1);
    packets[0] = 0;
    for (int s = 0; s < kSequences; ++s) packets[size_t(s) + 1] = packets[size_t(s)] + uint32_t(packetLengthOf(c, s));
    std::vector<uint32_t>& messages = messageStart_[c];
    uint64_t at = 0;
    for (uint32_t m = 0; at <= packets.back(); ++m) {
      messages.push_back(uint32_t(at));
      at += uint64_t(kHeaderBytes) + uint64_t(messageLengthOf(c, m));
    }
  }
}

int PeerStream::packetLength(int channel, uint16_t sequence) const {
  return int(packetStart_[channel][size_t(sequence) + 1] - packetStart_[channel][sequence]);
}

void PeerStream::packetBytes(int channel, uint16_t sequence, uint8_t* out) const {
  bytes(channel, packetStart_[channel][sequence], out, size_t(packetLength(channel, sequence)));
}

size_t PeerStream::messageContaining(int channel, uint64_t offset) const {
  const std::vector<uint32_t>& m = messageStart_[channel];
  // The last start at or before `offset` (offsets past the table stay in its last message).
  const auto it = std::upper_bound(m.begin(), m.end(), offset);
  return size_t(it - m.begin()) - 1;
}

uint8_t PeerStream::byteAt(int channel, uint64_t offset) const {
  uint8_t b = 0;
  bytes(channel, offset, &b, 1);
  return b;
}

void PeerStream::bytes(int channel, uint64_t offset, uint8_t* out, size_t n) const {
  // Message by message: one search for the first.
  size_t m = messageContaining(channel, offset);
  for (size_t i = 0; i < n;) {
    if (m >= messageStart_[channel].size()) {  // past the end of the stream: never sent
      std::memset(out + i, 0, n - i);
      return;
    }
    const uint64_t start = messageStart_[channel][m];
    const uint32_t length = uint32_t(messageLengthOf(channel, uint32_t(m)));
    const uint32_t word = length | uint32_t(messageTypeOf(channel, uint32_t(m))) << 24;
    const uint64_t end = start + kHeaderBytes + length;
    for (uint64_t k = offset + i - start; i < n && start + k < end; ++k, ++i) {
      out[i] = k < uint64_t(kHeaderBytes) ? uint8_t(word >> (8 * k))
                                          : payloadByte(channel, uint32_t(m), uint32_t(k - kHeaderBytes));
    }
    ++m;
  }
}

bool PeerStream::matches(int channel, uint64_t offset, const uint8_t* data, size_t n) const {
  uint8_t expected[1024];
  for (size_t done = 0; done < n;) {
    const size_t k = std::min(sizeof expected, n - done);
    bytes(channel, offset + done, expected, k);
    if (std::memcmp(expected, data + done, k) != 0) return false;
    done += k;
  }
  return true;
}

int PeerStream::headerLength(int channel, uint64_t offset) const {
  return byteAt(channel, offset) | byteAt(channel, offset + 1) << 8 | byteAt(channel, offset + 2) << 16;
}

uint8_t PeerStream::headerType(int channel, uint64_t offset) const { return byteAt(channel, offset + 3); }

int64_t PeerStream::messageAt(int channel, uint64_t offset) const {
  const size_t m = messageContaining(channel, offset);
  return messageStart_[channel][m] == offset ? int64_t(m) : -1;
}

uint64_t PeerStream::messageStart(int channel, int64_t message) const {
  return messageStart_[channel][size_t(message)];
}

int PeerStream::messageLength(int channel, int64_t message) const {
  return messageLengthOf(channel, uint32_t(message));
}

}  // namespace fuzzvornet
