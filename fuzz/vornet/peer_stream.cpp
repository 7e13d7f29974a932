#include "peer_stream.h"

#include <algorithm>
#include <cstring>

namespace fuzzvornet {

namespace {

constexpr int kSequences = 65536;

int usualPacketLength(int channel, int sequence) { return 1 + (sequence * 37 + channel * 11) % 1024; }

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
  const uint64_t end = uint64_t(kSequences) * uint64_t(kMaxPacket);
  for (int c = 0; c < kChannels; ++c) {
    std::vector<uint32_t>& messages = messageStart_[c];
    uint64_t at = 0;
    for (uint32_t m = 0; at <= end; ++m) {
      messages.push_back(uint32_t(at));
      at += uint64_t(kHeaderBytes) + uint64_t(messageLengthOf(c, m));
    }
  }
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

uint64_t PeerStream::messageEnd(int channel, uint64_t offset) const {
  const size_t m = messageContaining(channel, offset);
  return messageStart_[channel][m] + uint64_t(kHeaderBytes) + uint64_t(messageLengthOf(channel, uint32_t(m)));
}

void PeerPackets::cutUpTo(int channel, uint16_t sequence) {
  std::vector<uint64_t>& start = start_[channel];
  if (start.empty()) start.push_back(0);
  while (start.size() <= size_t(sequence)) {
    const int s = int(start.size()) - 1;
    start.push_back(start.back() + uint64_t(usualPacketLength(channel, s)));
  }
}

uint64_t PeerPackets::offset(int channel, uint16_t sequence) {
  cutUpTo(channel, sequence);
  return start_[channel][sequence];
}

PeerPackets::Packet PeerPackets::packet(int channel, uint16_t sequence, int wanted) {
  cutUpTo(channel, sequence);
  std::vector<uint64_t>& start = start_[channel];
  if (start.size() == size_t(sequence) + 1) {  // a new packet
    const bool asked = wanted >= 1 && wanted <= PeerStream::kMaxPacket;
    start.push_back(start.back() + uint64_t(asked ? wanted : usualPacketLength(channel, sequence)));
  }
  return {start[sequence], int(start[size_t(sequence) + 1] - start[sequence])};
}

}  // namespace fuzzvornet
