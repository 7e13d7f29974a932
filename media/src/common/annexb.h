// Annex-B byte stream helpers for H.264 and H.265 access units.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kvmedia::annexb {

struct Nal {
  const uint8_t* data;  // first byte of the NAL header (after the start code)
  size_t size;
};

enum class Codec { Unknown, H264, H265 };

// The NAL units of an Annex-B buffer, in order. Bytes before the first
// start code are ignored; trailing zero bytes of a NAL are dropped.
std::vector<Nal> split(const uint8_t* data, size_t size);

// Which codec the buffer's parameter sets belong to: an H.264 SPS, or an
// H.265 VPS/SPS. Unknown when it carries none (or, implausibly, both).
Codec sniffParameterSets(const uint8_t* data, size_t size);

// The coded slices of an access unit (H.264 NAL types 1-5, H.265 types
// 0-31): how many pieces its picture was cut into.
size_t sliceCount(Codec codec, const uint8_t* data, size_t size);

// The parameter sets of one access unit re-emitted as Annex-B with 4-byte
// start codes: SPS+PPS for H.264, VPS+SPS+PPS for H.265. Empty when any of
// them is missing.
std::vector<uint8_t> parameterSets(Codec codec, const uint8_t* data, size_t size);

}  // namespace kvmedia::annexb
