// Reads a fuzz input as a sequence of small decisions and byte runs. Past
// the end every number reads as 0 and every run as empty, so a target can
// take what it needs without checking the length first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace fuzzsupport {

class FuzzBytes {
 public:
  FuzzBytes(const uint8_t* data, size_t size) : p_(data), n_(size) {}

  bool empty() const { return pos_ >= n_; }
  size_t remaining() const { return n_ - pos_; }

  uint8_t byte() { return pos_ < n_ ? p_[pos_++] : 0; }
  uint16_t u16() {  // big-endian
    const uint16_t hi = byte();
    return static_cast<uint16_t>((hi << 8) | byte());
  }
  uint32_t u32() {
    const uint32_t hi = u16();
    return (hi << 16) | u16();
  }
  // Up to `count` bytes (fewer at the end of the input).
  std::vector<uint8_t> take(size_t count) {
    const size_t k = count < remaining() ? count : remaining();
    std::vector<uint8_t> out(p_ + pos_, p_ + pos_ + k);
    pos_ += k;
    return out;
  }
  // A run announced by a big-endian u16 length, at most `limit` bytes.
  std::vector<uint8_t> run(size_t limit) { return take(u16() % (limit + 1)); }
  std::vector<uint8_t> rest() { return take(remaining()); }

 private:
  const uint8_t* p_;
  size_t n_;
  size_t pos_ = 0;
};

}  // namespace fuzzsupport
