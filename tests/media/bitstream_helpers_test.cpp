// The ADTS and Annex-B helpers the three libraries share, on literal bytes:
// the 7-byte header the audio decode thread writes, AudioSpecificConfig
// values of ISO/IEC 14496-3, and access units as cameras send them.
#include <gtest/gtest.h>

#include <vector>

#include "adts.h"
#include "annexb.h"

namespace {

using Bytes = std::vector<uint8_t>;
using namespace kvmedia;

TEST(AdtsHeader, ParsesTheClientHeaderAndRefusesBadOnes) {
  // 1,000 bytes of AAC behind the decode thread's header: length field 1,007
  Bytes frame = {0xFF, 0xF9, 0x6C, 0x40, 0x7D, 0xFF, 0xFC};
  frame.resize(1007, 0x21);
  const auto h = adts::parse(frame.data(), frame.size());
  ASSERT_TRUE(h);
  EXPECT_EQ(h->objectType, 2);
  EXPECT_EQ(h->frequencyIndex, 11);
  EXPECT_EQ(adts::sampleRate(h->frequencyIndex), 8000);
  EXPECT_EQ(h->channelConfig, 1);
  EXPECT_EQ(h->headerSize, 7u);
  EXPECT_EQ(h->frameLength, 1007u);

  struct Case {
    const char* what;
    size_t byte;
    uint8_t value;
    size_t size;
  };
  const Case refused[] = {
      {"no sync word", 0, 0xFE, 1007},
      {"layer not 0", 1, 0xFB, 1007},
      {"reserved sampling index", 2, 0x7C, 1007},
      {"two raw data blocks", 6, 0xFD, 1007},
      {"shorter than its length field", 0, 0xFF, 1006},
      {"header only", 0, 0xFF, 6},
  };
  for (const Case& c : refused) {
    Bytes b = frame;
    b[c.byte] = c.value;
    b.resize(c.size);
    EXPECT_FALSE(adts::parse(b.data(), b.size())) << c.what;
  }
  Bytes withCrc = frame;
  withCrc[1] = 0xF8;  // protection_absent 0: two CRC bytes follow the header
  EXPECT_EQ(adts::parse(withCrc.data(), withCrc.size())->headerSize, 9u);
}

TEST(AdtsHeader, AudioSpecificConfigValues) {
  const struct {
    int rate, channels;
    Bytes config;
  } cases[] = {{8000, 1, {0x15, 0x88}}, {16000, 2, {0x14, 0x10}}, {44100, 2, {0x12, 0x10}}, {48000, 1, {0x11, 0x88}}};
  for (const auto& c : cases)
    EXPECT_EQ(adts::audioSpecificConfig(2, adts::frequencyIndex(c.rate), c.channels), c.config) << c.rate;
  EXPECT_EQ(adts::frequencyIndex(10000), -1);
  EXPECT_EQ(adts::sampleRate(13), 0);
}

// AUD, SPS, PPS, SEI, IDR slice; mixed 3- and 4-byte start codes and a
// trailing zero byte.
const Bytes kH264Key = {0, 0, 0, 1, 0x09, 0x10, 0, 0, 0, 1, 0x67, 0x42, 0xC0, 0x1E, 0xD9, 0,
                        0, 0, 1, 0x68, 0xCE, 0x3C, 0x80, 0, 0, 1, 0x06, 0x05, 0x01, 0x80,
                        0, 0, 1, 0x65, 0x88, 0x84, 0x00, 0x33, 0};
// VPS, SPS, PPS, IDR_W_RADL slice.
const Bytes kH265Key = {0, 0, 0, 1, 0x40, 0x01, 0x0C, 0x01, 0, 0, 0, 1, 0x42, 0x01, 0x01, 0x01,
                        0, 0, 1, 0x44, 0x01, 0xC1, 0x72, 0, 0, 1, 0x26, 0x01, 0xAF, 0x06};

TEST(AnnexB, SplitsAndPicksTheParameterSets) {
  const auto nals = annexb::split(kH264Key.data(), kH264Key.size());
  ASSERT_EQ(nals.size(), 5u);
  EXPECT_EQ(nals[1].size, 5u);  // the zero byte of the next 4-byte start code is not the SPS's
  EXPECT_EQ(nals[4].size, 5u);  // the slice loses the trailing zero byte

  EXPECT_EQ(annexb::sniffParameterSets(kH264Key.data(), kH264Key.size()), annexb::Codec::H264);
  EXPECT_EQ(annexb::sniffParameterSets(kH265Key.data(), kH265Key.size()), annexb::Codec::H265);
  const Bytes slice(kH264Key.begin() + 30, kH264Key.end());
  EXPECT_EQ(annexb::sniffParameterSets(slice.data(), slice.size()), annexb::Codec::Unknown);

  EXPECT_EQ(annexb::parameterSets(annexb::Codec::H264, kH264Key.data(), kH264Key.size()),
            (Bytes{0, 0, 0, 1, 0x67, 0x42, 0xC0, 0x1E, 0xD9, 0, 0, 0, 1, 0x68, 0xCE, 0x3C, 0x80}));
  EXPECT_EQ(annexb::parameterSets(annexb::Codec::H265, kH265Key.data(), kH265Key.size()),
            (Bytes{0, 0, 0, 1, 0x40, 0x01, 0x0C, 0x01, 0, 0, 0, 1, 0x42, 0x01, 0x01, 0x01, 0, 0, 0, 1, 0x44,
                   0x01, 0xC1, 0x72}));
  // a key frame that lost one of its sets gives none
  const Bytes noPps(kH264Key.begin(), kH264Key.begin() + 16);
  EXPECT_TRUE(annexb::parameterSets(annexb::Codec::H264, noPps.data(), noPps.size()).empty());
  EXPECT_TRUE(annexb::parameterSets(annexb::Codec::H265, kH264Key.data(), kH264Key.size()).empty());
}

// Slices counted by NAL type: H.264 types 1-5, H.265 types 0-31; parameter
// sets, delimiters and SEI are no slices.
TEST(AnnexB, CountsTheSlicesOfAnAccessUnit) {
  EXPECT_EQ(annexb::sliceCount(annexb::Codec::H264, kH264Key.data(), kH264Key.size()), 1u);
  EXPECT_EQ(annexb::sliceCount(annexb::Codec::H265, kH265Key.data(), kH265Key.size()), 1u);
  const Bytes h264FourSlices = {0, 0, 0, 1, 0x09, 0xF0,              // delimiter
                                0, 0, 0, 1, 0x06, 0x05, 0x01,        // SEI
                                0, 0, 1, 0x65, 0x88, 0, 0, 1, 0x65, 0x88,  // IDR slices
                                0, 0, 1, 0x41, 0x9A, 0, 0, 1, 0x21, 0x9A};  // non-IDR slices
  EXPECT_EQ(annexb::sliceCount(annexb::Codec::H264, h264FourSlices.data(), h264FourSlices.size()), 4u);
  const Bytes h265TwoSlices = {0, 0, 1, 0x46, 0x01, 0x10,   // delimiter (35)
                               0, 0, 1, 0x26, 0x01, 0xAF,   // IDR_W_RADL (19)
                               0, 0, 1, 0x02, 0x01, 0xD0,   // TRAIL_R (1)
                               0, 0, 1, 0x4E, 0x01, 0x05};  // prefix SEI (39)
  EXPECT_EQ(annexb::sliceCount(annexb::Codec::H265, h265TwoSlices.data(), h265TwoSlices.size()), 2u);
  EXPECT_EQ(annexb::sliceCount(annexb::Codec::Unknown, h264FourSlices.data(), h264FourSlices.size()), 0u);
}

}  // namespace
