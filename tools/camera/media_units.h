// Cutting encoder output into what the camera sends: Annex-B access units
// (H.264 / H.265) and raw AAC frames out of an ADTS stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace camera {

using Bytes = std::vector<uint8_t>;

enum class VideoCodec { H264, H265 };

// H.264 profile of a clip: Baseline (CAVLC), Main and High (CABAC).
enum class H264Profile { Baseline, Main, High };

struct VideoUnit {
  Bytes data;  // Annex-B, start codes kept, access unit delimiters removed unless kept
  bool key = false;
};

// Splits an elementary stream written with access unit delimiters into
// access units, one per delimiter, each beginning with its delimiter when
// `keepDelimiters` (as many cameras send them). A unit is a key frame when
// it holds an IDR (H.264) or IRAP (H.265) picture.
std::vector<VideoUnit> splitAccessUnits(const Bytes& stream, VideoCodec codec, bool keepDelimiters = false);

// The raw AAC frames of an ADTS stream (headers, with or without CRC,
// removed). Stops at the first damaged header.
std::vector<Bytes> splitAdts(const Bytes& stream);

}  // namespace camera
