// Where the readers of each channel stand in the peer's stream (see
// peer_stream.h), and what the next read may hand over from there: the
// reference the channel fuzz target checks unframed and framed reads, and
// the message a framed read holds between reads, against.
#pragma once

#include <cstdint>

#include "channel/drw_state.h"
#include "peer_stream.h"

namespace fuzzvornet {

// One framed read as the caller saw it.
struct FramedResult {
  int result;          // the read's return value
  int length;          // *len afterwards
  int type;            // the type it reported (0 for none); -1: not asked for
  const uint8_t* buf;  // the caller's buffer
  int capacity;        // *len before
};

class ReaderModel {
 public:
  // What a framed read of `channel` would get next if it were all there:
  // the payload length and type of the header in front of the reader.
  int nextLength(int channel, const vornet::channel::HeldStream& held) const;

  // Bytes an unframed read delivered; `heldOpen`: a framed read held a
  // message when it started (its header is then passed over).
  void unframed(int channel, bool heldOpen, const uint8_t* bytes, int n);
  // A framed read's outcome; `heldOpen` as above; `readableBefore`: what
  // readable() said when it started.
  void framed(int channel, bool heldOpen, int readableBefore, const FramedResult& r);
  // Bytes in order in front of the reader, header included, at the start
  // of a read: what the held message and the channel hold.
  int readable(const vornet::channel::HeldStream& held, int inOrder) const;
  // The message held between reads is the peer's, at the reader's place.
  void checkHeld(int channel, const vornet::channel::HeldStream& held) const;

 private:
  const PeerStream& stream_ = PeerStream::instance();
  uint64_t position_[PeerStream::kChannels] = {};  // stream bytes handed over or passed
};

}  // namespace fuzzvornet
