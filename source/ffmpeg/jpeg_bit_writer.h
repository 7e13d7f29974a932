// Bounded output of the JPEG encoder: marker bytes as they are, and the
// entropy-coded bit stream most significant bit first, with a 0x00 stuffed
// after every 0xFF byte of it. Nothing is ever written past the capacity; a
// write that would go beyond it sets overflowed() and every later write is
// dropped.
#pragma once

#include <cstddef>
#include <cstdint>

namespace jpegenc {

class JpegBitWriter {
 public:
  JpegBitWriter(uint8_t* out, std::size_t capacity) : out_(out), capacity_(capacity) {}

  void putByte(uint8_t value) {
    if (length_ < capacity_) {
      out_[length_++] = value;
    } else {
      overflowed_ = true;
    }
  }
  void putBytes(const uint8_t* values, std::size_t count);
  void putWord(uint16_t value) {  // big-endian
    putByte(static_cast<uint8_t>(value >> 8));
    putByte(static_cast<uint8_t>(value));
  }

  // Appends the low `count` bits of `bits` (count 0..32) to the entropy stream.
  void putBits(uint32_t bits, int count) {
    pending_ = (pending_ << count) | (bits & ((uint64_t{1} << count) - 1u));
    pendingCount_ += count;
    if (pendingCount_ >= 32) storeWord();
  }

  // Stores the whole bytes still pending and completes the last one with
  // 1-bits (before a marker).
  void padWithOnes();

  std::size_t length() const { return length_; }
  bool overflowed() const { return overflowed_; }

 private:
  void putEntropyByte(uint8_t value) {
    putByte(value);
    if (value == 0xFF) putByte(0x00);
  }
  // Stores the oldest 32 pending bits.
  void storeWord();

  uint8_t* out_;
  std::size_t capacity_;
  std::size_t length_ = 0;
  bool overflowed_ = false;
  uint64_t pending_ = 0;  // the low pendingCount_ bits are not yet stored
  int pendingCount_ = 0;  // 0..31 between calls
};

}  // namespace jpegenc
