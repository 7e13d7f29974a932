#include "reader_model.h"

#include "fuzz_check.h"

namespace fuzzvornet {

using vornet::channel::HeldStream;

int ReaderModel::nextLength(int channel, const HeldStream& held) const {
  return held.open ? held.length : stream_.headerLength(channel, position_[channel]);
}

int ReaderModel::readable(const HeldStream& held, int inOrder) const {
  return (held.open ? PeerStream::kHeaderBytes : 0) + int(held.bytes.size()) + inOrder;
}

void ReaderModel::unframed(int channel, bool heldOpen, const uint8_t* bytes, int n) {
  uint64_t& at = position_[channel];
  if (heldOpen) at += PeerStream::kHeaderBytes;  // the held message's header is not handed over
  FUZZ_CHECK(stream_.matches(channel, at, bytes, size_t(n)));
  at += uint64_t(n);
}

void ReaderModel::framed(int channel, bool heldOpen, int readableBefore, const FramedResult& r) {
  uint64_t& at = position_[channel];
  const int length = stream_.headerLength(channel, at);
  const int type = stream_.headerType(channel, at);
  const bool headerIn = readableBefore >= PeerStream::kHeaderBytes;
  const bool whole = headerIn && readableBefore >= PeerStream::kHeaderBytes + length;
  const bool fits = length <= r.capacity;
  FUZZ_CHECK(r.type == -1 || r.type == (r.result == 0 || r.result == -23 ? type : 0));
  switch (r.result) {
    case 0: {
      FUZZ_CHECK(whole && fits && r.length == length);
      FUZZ_CHECK(stream_.matches(channel, at + PeerStream::kHeaderBytes, r.buf, size_t(length)));
      // In step with the peer's framing, the message is the peer's next one, whole.
      const int64_t message = stream_.messageAt(channel, at);
      at += uint64_t(PeerStream::kHeaderBytes) + uint64_t(length);
      if (message >= 0) FUZZ_CHECK(stream_.messageAt(channel, at) == message + 1);
      return;
    }
    case -23:
      // Too small: the header is taken, the payload stays (held, if it was).
      FUZZ_CHECK(headerIn && !fits && r.length == 0);
      if (!heldOpen) at += PeerStream::kHeaderBytes;
      return;
    default:
      FUZZ_CHECK(r.length == 0);
      // Nothing comes in during a read (the clock is the target's), so a
      // time-out means the message was not all there. A message all there
      // is delivered even after the peer's close or a time-out in a gap;
      // only the caller's close or a broken session stop it.
      if (headerIn && (whole || !fits)) FUZZ_CHECK(r.result == -14 || r.result == -20);
      return;
  }
}

void ReaderModel::checkHeld(int channel, const HeldStream& held) const {
  const uint64_t at = position_[channel];
  const size_t n = held.bytes.size();
  if (!held.open) {
    FUZZ_CHECK(held.length == 0 && held.type == 0);
    FUZZ_CHECK(stream_.matches(channel, at, held.bytes.data(), n));
    return;
  }
  FUZZ_CHECK(held.length == stream_.headerLength(channel, at) && held.type == stream_.headerType(channel, at));
  FUZZ_CHECK(n <= size_t(held.length));
  FUZZ_CHECK(stream_.matches(channel, at + PeerStream::kHeaderBytes, held.bytes.data(), n));
}

}  // namespace fuzzvornet
