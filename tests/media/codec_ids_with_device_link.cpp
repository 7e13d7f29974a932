// The recorder is given the codec values of the device link's frame heads:
// both headers define them, and the camera code includes both, the device
// link's first.
#include "Tessan.h"
// (order matters: this include must stay after the device link's)
#include "KV_MP4.h"

static_assert(E_CODECID_VIDEO_H264 == 2 && E_CODECID_VIDEO_H265 == 3 && E_CODECID_AUDIO_AAC == 259,
              "codec values of the frame heads");
