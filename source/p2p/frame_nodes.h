// The four media nodes that travel between a camera's threads. Each node owns
// a private heap copy of its bytes, made by its constructor and freed by its
// destructor; nodes are never copied, only handed on by pointer (see
// frame_queue.h).
//
// When the copy cannot be made (or no source bytes are given) the node holds
// no data: `data` is null and `size` is 0, so a consumer never reads through a
// null pointer with a non-zero length.
#pragma once

#include <cstdint>
#include <memory>

#include "p2p/picture_pool.h"

// Undecoded video frame as received from the camera (H.264/H.265 access unit).
class P2P_VideoNode_noDecode {
 public:
  P2P_VideoNode_noDecode(int nFlag, int width, int height, int fps, uint64_t nTimeStamp,
                         uint32_t size, const uint8_t* data);
  P2P_VideoNode_noDecode(const P2P_VideoNode_noDecode&) = delete;
  P2P_VideoNode_noDecode& operator=(const P2P_VideoNode_noDecode&) = delete;

  int nFlag;  // 0 key frame, 1 P, 2 B
  int width;
  int height;
  uint64_t nTimeStamp;  // ms
  uint32_t size;
  int fps;
  std::unique_ptr<uint8_t[]> data;
  int codec = 0;  // the frame head's codec (2 H.264, 3 H.265), set by the receiver
  uint64_t recordSeq = 0;  // on the record path: its place in the file, in arrival order
  int64_t arrivalMs = 0;   // when it was received (steady clock), for the live figures
};

// Decoded picture: one I420 frame of width x height. With a pool, its copy
// goes into a buffer of the pool and back there when the node is freed; a
// picture decoded (or scaled) straight into a pool buffer is handed over
// with that buffer, without a copy.
class P2P_VideoNode_Decode {
 public:
  P2P_VideoNode_Decode(uint64_t nTimeStamp, int width, int height, int fps, const uint8_t* data,
                       uint32_t size, PicturePool* pool = nullptr);
  P2P_VideoNode_Decode(uint64_t nTimeStamp, int width, int height, int fps, PictureBuffer data,
                       uint32_t size);
  P2P_VideoNode_Decode(const P2P_VideoNode_Decode&) = delete;
  P2P_VideoNode_Decode& operator=(const P2P_VideoNode_Decode&) = delete;

  uint64_t nTimeStamp;  // ms
  int width;
  int height;
  int fps;
  uint32_t size;
  PictureBuffer data;
  uint32_t serial = 0;  // the play it was decoded for: a picture of an earlier play is never shown
  int64_t arrivalMs = 0;  // its packet's arrival (steady clock)
  int64_t readyMs = 0;    // when it was decoded (the display's clock)
};

// Undecoded audio: a raw AAC frame (type 0) or, on the record path, an ADTS frame.
class P2P_AudioNode_noDecode {
 public:
  P2P_AudioNode_noDecode(int type, uint64_t nTimeStamp, const uint8_t* data, uint32_t size);
  P2P_AudioNode_noDecode(const P2P_AudioNode_noDecode&) = delete;
  P2P_AudioNode_noDecode& operator=(const P2P_AudioNode_noDecode&) = delete;

  int type;
  uint64_t nTimeStamp;  // ms
  uint32_t size;
  std::unique_ptr<uint8_t[]> data;
  uint64_t recordSeq = 0;  // on the record path: its place in the file, in arrival order
};

// Decoded audio: interleaved PCM.
class P2P_AudioNode_Decode {
 public:
  P2P_AudioNode_Decode(uint64_t nTimeStamp, const uint8_t* data, uint32_t size);
  P2P_AudioNode_Decode(const P2P_AudioNode_Decode&) = delete;
  P2P_AudioNode_Decode& operator=(const P2P_AudioNode_Decode&) = delete;

  uint64_t nTimeStamp;  // ms
  uint32_t size;
  std::unique_ptr<uint8_t[]> data;
};
