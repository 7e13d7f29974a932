// Cuts a session's received byte stream into frames and hands them to a
// sink: HH01 messages, HH02/HH03 audio/video frames and, on sessions
// without authentication, length-prefixed frames. Thread-free: the receive
// thread drives it with the transport's reads, tests with byte chunks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "rc4.h"

namespace tessan {

struct CutKeys {
  bool authFlag = false;  // HH frames only: junk is resynchronised, not read as a length
  bool decMsg = false;    // RC4 on HH01 payloads (never on 153)
  bool decAV = false;     // RC4 on the first 2,048 payload bytes of HH02/HH03
  const uint8_t* key = nullptr;
  int keyLen = 0;
  bool keySet() const { return key && keyLen > 0 && key[0] != 0; }
};

class FrameSink {
 public:
  virtual ~FrameSink() = default;
  // Dispatch goes on only while this holds (run flag, session handle).
  virtual bool active() = 0;
  // Any HH01 message other than 151 and 153.
  virtual void onMessage(uint16_t msgType, uint8_t* payload, uint32_t len, char* name,
                         int32_t frameType) = 0;
  // 151; nResult -1 when the payload is empty (counts as refused).
  virtual void onAuthAnswer(int nResult) = 0;
  // 153 with at least 4 payload bytes.
  virtual void onPeerStatus(int32_t status) = 0;
  // HH02/HH03 (whole frame, type 127) or a length-prefixed payload.
  virtual void onAv(uint8_t* frame, uint32_t len, uint8_t type) = 0;
  // One resynchronisation; nFound is the distance to the next "HH0" (0 when none).
  virtual void onResync(size_t nFound) = 0;
};

struct CutResult {
  size_t consumed = 0;
  bool closeSession = false;  // the stream can never complete (oversized length prefix)
};

// Dispatches the complete frames at the start of buf[0, held).
// `capacity` is the buffer size: a frame that cannot fit it never completes.
CutResult cutFrames(uint8_t* buf, size_t held, size_t capacity, const CutKeys& keys, Rc4State& rx,
                    FrameSink& sink);

// Reads up to *len bytes into dst; 0 with *len = bytes read, or a negative code.
using StreamReader = std::function<int(uint8_t* dst, int* len)>;

struct ParseOutcome {
  bool progress = false;      // bytes were read or frames consumed
  bool closeSession = false;  // see CutResult
  bool bufferFull = false;    // nothing could be read: no free space
};

// One read into the free space of buf (never more than `wanted` bytes), then
// dispatch, then the unconsumed rest moves to the start; `held` is updated.
ParseOutcome parseInto(uint8_t* buf, int& held, int capacity, int wanted, const StreamReader& read,
                       const CutKeys& keys, Rc4State& rx, FrameSink& sink);

}  // namespace tessan
