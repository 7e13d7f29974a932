// Cutting encoder output into access units and raw AAC frames: literal
// streams (the camera's real clips: camera_clips_test.cpp).
#include "media_units.h"

#include <gtest/gtest.h>

using camera::Bytes;
using camera::VideoCodec;

namespace {

Bytes cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

const Bytes sc4 = {0, 0, 0, 1}, sc3 = {0, 0, 1};

TEST(AccessUnits, H264DelimitersSplitAndAreDropped) {
  const Bytes sps = {0x67, 0x42, 0xc0, 0x1e}, pps = {0x68, 0xce, 0x0f}, idr = {0x65, 0x88, 0x84, 0x00}, p = {0x41, 0x9a, 0x02};
  const Bytes aud = {0x09, 0xf0};
  const Bytes stream = cat({sc4, aud, sc4, sps, sc4, pps, sc3, idr, sc4, aud, sc4, p, sc4, aud, sc3, p});
  const auto units = camera::splitAccessUnits(stream, VideoCodec::H264);
  ASSERT_EQ(units.size(), 3u);
  EXPECT_EQ(units[0].data, cat({sc4, sps, sc4, pps, sc3, idr}));
  EXPECT_TRUE(units[0].key);
  EXPECT_EQ(units[1].data, cat({sc4, p}));
  EXPECT_FALSE(units[1].key);
  EXPECT_EQ(units[2].data, cat({sc3, p}));
  // Kept, each unit begins with its own delimiter; one with nothing behind it is no unit.
  const auto withDelimiters = camera::splitAccessUnits(cat({stream, sc4, aud}), VideoCodec::H264, true);
  ASSERT_EQ(withDelimiters.size(), 3u);
  EXPECT_EQ(withDelimiters[0].data, cat({sc4, aud, sc4, sps, sc4, pps, sc3, idr}));
  EXPECT_TRUE(withDelimiters[0].key);
  EXPECT_EQ(withDelimiters[1].data, cat({sc4, aud, sc4, p}));
  EXPECT_EQ(withDelimiters[2].data, cat({sc4, aud, sc3, p}));
  EXPECT_FALSE(withDelimiters[2].key);
}

TEST(AccessUnits, H265KeyPicturesAreIrap) {
  const Bytes aud = {0x46, 0x01, 0x50}, vps = {0x40, 0x01, 0x0c}, sps = {0x42, 0x01, 0x01}, pps = {0x44, 0x01, 0xc1};
  const Bytes idr = {0x26, 0x01, 0xaf}, cra = {0x2a, 0x01, 0xaf}, trail = {0x02, 0x01, 0xd0};
  const Bytes stream = cat({sc4, aud, sc4, vps, sc4, sps, sc4, pps, sc4, idr, sc4, aud, sc4, trail, sc4, aud, sc4, cra});
  const auto units = camera::splitAccessUnits(stream, VideoCodec::H265);
  ASSERT_EQ(units.size(), 3u);
  EXPECT_EQ(units[0].data, cat({sc4, vps, sc4, sps, sc4, pps, sc4, idr}));
  EXPECT_TRUE(units[0].key);
  EXPECT_FALSE(units[1].key);
  EXPECT_TRUE(units[2].key);
}

Bytes adts(const Bytes& raw, bool crc) {
  const size_t len = raw.size() + (crc ? 9 : 7);
  Bytes h = {0xFF, uint8_t(crc ? 0xF0 : 0xF1), 0x6C, uint8_t(0x40 | (len >> 11)), uint8_t(len >> 3), uint8_t((len & 7) << 5 | 0x1F), 0xFC};
  if (crc) {
    h.push_back(0x12);
    h.push_back(0x34);
  }
  h.insert(h.end(), raw.begin(), raw.end());
  return h;
}

TEST(Adts, HeadersWithAndWithoutCrcAreRemoved) {
  const Bytes a = {1, 2, 3, 4, 5}, b(300, 7), c = {9};
  const Bytes stream = cat({adts(a, false), adts(b, true), adts(c, false), {0xFF, 0xF1, 0x00}});
  const auto frames = camera::splitAdts(stream);
  ASSERT_EQ(frames.size(), 3u);
  EXPECT_EQ(frames[0], a);
  EXPECT_EQ(frames[1], b);
  EXPECT_EQ(frames[2], c);
}

}  // namespace
