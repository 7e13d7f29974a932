// ADTS (AAC transport) header parsing and the matching AudioSpecificConfig.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace kvmedia::adts {

struct Header {
  int objectType;       // audio object type (profile + 1; 2 = AAC LC)
  int frequencyIndex;   // sampling_frequency_index
  int channelConfig;    // channel_configuration
  size_t headerSize;    // 7, or 9 with CRC
  size_t frameLength;   // header + payload
};

// Parses the header at the start of `data`. Empty when the sync word or layer
// is wrong, the frame length is shorter than the header or longer than
// `size`, or the frame holds more than one raw data block.
std::optional<Header> parse(const uint8_t* data, size_t size);

// Sample rate for a sampling_frequency_index (0 when reserved), and back
// (-1 when the rate has no index).
int sampleRate(int frequencyIndex);
int frequencyIndex(int sampleRate);

// The 2-byte AudioSpecificConfig for the given values.
std::vector<uint8_t> audioSpecificConfig(int objectType, int frequencyIndex, int channelConfig);

}  // namespace kvmedia::adts
