// One audio/video frame as the device link hands it to the A/V callback:
// the 48-byte head (little-endian) and the payload behind it.
#pragma once

#include <cstdint>

struct AvFrame {
  int codec = 0;        // nCodecType: 2 H.264, 3 H.265, 259 AAC (raw, no ADTS)
  int width = 0;        // nWidth
  int height = 0;       // nHeight
  uint64_t timeStamp = 0;  // nTimeStamp, ms
  int flag = 0;         // nFlag: 0 key frame, 1 P, 2 B
  int fps = 0;          // nFPSOfVideo
  const uint8_t* payload = nullptr;
  uint32_t length = 0;  // nDataLen
};

// Reads the head of `frame` (frameLen bytes). False when the frame is
// shorter than its head or its nDataLen runs past the frame's end.
bool readAvFrame(const void* frame, uint32_t frameLen, AvFrame* out);
