#include "adts.h"

namespace kvmedia::adts {
namespace {
constexpr int kRates[13] = {96000, 88200, 64000, 48000, 44100, 32000, 24000,
                            22050, 16000, 12000, 11025, 8000,  7350};
}

std::optional<Header> parse(const uint8_t* d, size_t size) {
  if (!d || size < 7) return std::nullopt;
  if (d[0] != 0xFF || (d[1] & 0xF6) != 0xF0) return std::nullopt;  // sync word, layer 0
  Header h{};
  const bool protectionAbsent = d[1] & 1;
  h.headerSize = protectionAbsent ? 7 : 9;
  h.objectType = ((d[2] >> 6) & 3) + 1;
  h.frequencyIndex = (d[2] >> 2) & 0xF;
  h.channelConfig = ((d[2] & 1) << 2) | (d[3] >> 6);
  h.frameLength = (static_cast<size_t>(d[3] & 3) << 11) | (static_cast<size_t>(d[4]) << 3) | (d[5] >> 5);
  const int rawBlocks = d[6] & 3;
  if (h.frameLength <= h.headerSize || h.frameLength > size || rawBlocks != 0) return std::nullopt;
  if (sampleRate(h.frequencyIndex) == 0) return std::nullopt;
  return h;
}

int sampleRate(int index) { return index >= 0 && index < 13 ? kRates[index] : 0; }

int frequencyIndex(int rate) {
  for (int i = 0; i < 13; ++i)
    if (kRates[i] == rate) return i;
  return -1;
}

std::vector<uint8_t> audioSpecificConfig(int objectType, int frequencyIndex, int channelConfig) {
  const unsigned v = (static_cast<unsigned>(objectType & 0x1f) << 11) |
                     (static_cast<unsigned>(frequencyIndex & 0xf) << 7) |
                     (static_cast<unsigned>(channelConfig & 0xf) << 3);
  return {static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v & 0xff)};
}

}  // namespace kvmedia::adts
