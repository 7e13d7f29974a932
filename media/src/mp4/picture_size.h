// Picture size from the parameter sets of an H.264/H.265 access unit.
#pragma once

#include <cstdint>

extern "C" {
#include <libavcodec/codec_id.h>
}

namespace kvmedia {

// False when the access unit does not reveal a size.
bool probePictureSize(AVCodecID codec, const uint8_t* data, int size, int* width, int* height);

}  // namespace kvmedia
