#include "ffmpeg/jpeg_bit_writer.h"

namespace jpegenc {

void JpegBitWriter::putBytes(const uint8_t* values, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) putByte(values[i]);
}

void JpegBitWriter::storeWord() {
  pendingCount_ -= 32;
  const uint32_t word = static_cast<uint32_t>(pending_ >> pendingCount_);
  pending_ &= (uint64_t{1} << pendingCount_) - 1u;
  const uint32_t inverted = ~word;  // a 0xFF byte of word is a zero byte here
  const bool hasFF = ((inverted - 0x01010101u) & ~inverted & 0x80808080u) != 0;
  if (!hasFF && capacity_ - length_ >= 4) {
    out_[length_] = static_cast<uint8_t>(word >> 24);
    out_[length_ + 1] = static_cast<uint8_t>(word >> 16);
    out_[length_ + 2] = static_cast<uint8_t>(word >> 8);
    out_[length_ + 3] = static_cast<uint8_t>(word);
    length_ += 4;
    return;
  }
  for (int shift = 24; shift >= 0; shift -= 8) putEntropyByte(static_cast<uint8_t>(word >> shift));
}

void JpegBitWriter::padWithOnes() {
  while (pendingCount_ >= 8) {
    pendingCount_ -= 8;
    putEntropyByte(static_cast<uint8_t>(pending_ >> pendingCount_));
  }
  if (pendingCount_ > 0) {
    const int fill = 8 - pendingCount_;
    putEntropyByte(static_cast<uint8_t>((pending_ << fill) | ((1u << fill) - 1u)));
  }
  pending_ = 0;
  pendingCount_ = 0;
}

}  // namespace jpegenc
