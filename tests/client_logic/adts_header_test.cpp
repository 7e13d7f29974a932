#include "ffmpeg/adts_header.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>

namespace {

using Header = std::array<unsigned char, kAdtsHeaderBytes>;

// Reads the header's fields in transmission order, most significant bit
// first.
class BitReader {
 public:
  explicit BitReader(const Header& h) : h_(h) {}
  unsigned take(int bits) {
    unsigned v = 0;
    for (int i = 0; i < bits; ++i, ++pos_) v = (v << 1) | ((h_[pos_ / 8] >> (7 - pos_ % 8)) & 1u);
    return v;
  }

 private:
  const Header& h_;
  int pos_ = 0;
};

}  // namespace

TEST(AdtsHeader, LiteralBytes) {
  const struct {
    int payload;
    Header bytes;
  } cases[] = {
      {1000, {0xFF, 0xF9, 0x6C, 0x40, 0x7D, 0xFF, 0xFC}},  // length 1007
      {0, {0xFF, 0xF9, 0x6C, 0x40, 0x00, 0xFF, 0xFC}},     // length 7
      {2041, {0xFF, 0xF9, 0x6C, 0x41, 0x00, 0x1F, 0xFC}},  // length 2048
      {8184, {0xFF, 0xF9, 0x6C, 0x43, 0xFF, 0xFF, 0xFC}},  // length 8191
  };
  for (const auto& c : cases) {
    Header h{};
    ASSERT_TRUE(write_adts_header(c.payload, h.data()));
    EXPECT_EQ(h, c.bytes) << c.payload;
  }
}

TEST(AdtsHeader, FieldsOfTheHeader) {
  Header h{};
  ASSERT_TRUE(write_adts_header(1000, h.data()));
  BitReader r(h);
  EXPECT_EQ(r.take(12), 0xFFFu);  // syncword
  EXPECT_EQ(r.take(1), 1u);       // MPEG-2
  EXPECT_EQ(r.take(2), 0u);       // layer
  EXPECT_EQ(r.take(1), 1u);       // no CRC
  EXPECT_EQ(r.take(2), 1u);       // AAC LC
  EXPECT_EQ(r.take(4), 11u);      // 8000 Hz
  EXPECT_EQ(r.take(1), 0u);       // private bit
  EXPECT_EQ(r.take(3), 1u);       // one channel
  EXPECT_EQ(r.take(4), 0u);       // the four one-bit flags
  EXPECT_EQ(r.take(13), 1007u);   // frame length = payload + 7
  EXPECT_EQ(r.take(11), 0x7FFu);  // buffer fullness
  EXPECT_EQ(r.take(2), 0u);       // one raw data block
}

TEST(AdtsHeader, RefusesPayloadsTheLengthCannotHold) {
  for (int payload : {8185, 9000, 1 << 20, -1}) {
    Header h{};
    h.fill(0xEE);
    EXPECT_FALSE(write_adts_header(payload, h.data())) << payload;
    EXPECT_EQ(h[0], 0xEE);
  }
  EXPECT_EQ(kMaxAdtsPayload, 8184);
}
