// Checks the parameter sets of a key frame before they become a track's
// configuration.
#pragma once

#include <cstddef>
#include <cstdint>

extern "C" {
#include <libavcodec/codec_id.h>
}

namespace kvmedia {

// True when the H.264/H.265 decoder accepts every VPS/SPS/PPS in `data`
// (Annex-B). The muxer parses them again with less care: a damaged set can
// keep it busy for minutes, so only sets the decoder accepts are handed on.
bool parameterSetsDecode(AVCodecID codec, const uint8_t* data, size_t size);

}  // namespace kvmedia
