// The encoder's building blocks against references outside this code: the
// Huffman codes printed in T.81 Annex K, the DCT against its defining sum,
// and the bit output's stuffing, padding and bound.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "ffmpeg/jpeg_bit_writer.h"
#include "ffmpeg/jpeg_fdct.h"
#include "ffmpeg/jpeg_huffman.h"
#include "ffmpeg/jpeg_quantization.h"
#include "ffmpeg/jpeg_tables.h"

namespace {

using namespace jpegenc;

struct CodeCase {
  const char* table;
  int symbol;
  const char* code;  // as printed in Tables K.3 to K.6
};

std::string codeText(const HuffmanCodes& codes, int symbol) {
  std::string text;
  for (int bit = codes.length[symbol] - 1; bit >= 0; --bit)
    text += ((codes.code[symbol] >> bit) & 1) ? '1' : '0';
  return text;
}

TEST(JpegHuffman, CanonicalCodesMatchAnnexK) {
  const HuffmanCodes lumDc = buildHuffmanCodes(kLuminanceDc);
  const HuffmanCodes chrDc = buildHuffmanCodes(kChrominanceDc);
  const HuffmanCodes lumAc = buildHuffmanCodes(kLuminanceAc);
  const HuffmanCodes chrAc = buildHuffmanCodes(kChrominanceAc);
  const std::vector<CodeCase> cases = {
      {"lumDc", 0, "00"},         {"lumDc", 1, "010"},         {"lumDc", 5, "110"},
      {"lumDc", 6, "1110"},       {"lumDc", 11, "111111110"},  {"chrDc", 0, "00"},
      {"chrDc", 2, "10"},         {"chrDc", 3, "110"},         {"chrDc", 11, "11111111110"},
      {"lumAc", 0x00, "1010"},    {"lumAc", 0x01, "00"},       {"lumAc", 0x03, "100"},
      {"lumAc", 0x11, "1100"},    {"lumAc", 0xF0, "11111111001"},
      {"lumAc", 0xFA, "1111111111111110"},                     {"chrAc", 0x00, "00"},
      {"chrAc", 0x01, "01"},      {"chrAc", 0xF0, "1111111010"},
      {"chrAc", 0xFA, "1111111111111110"}};
  for (const CodeCase& c : cases) {
    const std::string table = c.table;
    const HuffmanCodes& codes =
        table == "lumDc" ? lumDc : table == "chrDc" ? chrDc : table == "lumAc" ? lumAc : chrAc;
    EXPECT_EQ(codeText(codes, c.symbol), c.code) << c.table << " symbol " << c.symbol;
  }
  // Every AC symbol of the baseline range has a code: runs 0..15, sizes 1..10.
  for (int run = 0; run < 16; ++run)
    for (int size = 1; size <= 10; ++size) {
      EXPECT_GT(lumAc.length[(run << 4) | size], 0) << run << "/" << size;
      EXPECT_GT(chrAc.length[(run << 4) | size], 0) << run << "/" << size;
    }
}

// The AAN output is the orthonormal 2-D DCT-II scaled by s[u] x s[v] x 8.
TEST(JpegFdct, MatchesTheDefiningSum) {
  const double kPi = 3.14159265358979323846;
  const double s[8] = {1.0,         1.387039845, 1.306562965, 1.175875602,
                       1.0,         0.785694958, 0.541196100, 0.275899379};
  float block[64];
  uint32_t seed = 5;
  for (float& sample : block) {
    seed = seed * 1103515245u + 12345u;
    sample = static_cast<float>(static_cast<int>((seed >> 16) % 256) - 128);
  }
  float input[64];
  std::copy(block, block + 64, input);
  forwardDctFloat(block);
  for (int u = 0; u < 8; ++u) {
    for (int v = 0; v < 8; ++v) {
      double sum = 0;
      for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
          sum += input[y * 8 + x] * std::cos((2 * y + 1) * u * kPi / 16) *
                 std::cos((2 * x + 1) * v * kPi / 16);
      const double cu = u == 0 ? std::sqrt(0.5) : 1.0;
      const double cv = v == 0 ? std::sqrt(0.5) : 1.0;
      const double expected = 0.25 * cu * cv * sum * s[u] * s[v] * 8;
      EXPECT_NEAR(block[u * 8 + v], expected, 0.02 + std::fabs(expected) * 1e-5) << u << "," << v;
    }
  }
}

// Quality to table scale, including the values outside 1..100 that only the
// plane entry point can be given (libjpeg clamps those itself, so the
// reference tests cannot reach them): 0 and below must not divide by zero.
TEST(JpegQuantization, QualityScaleAndClamp) {
  const std::vector<std::pair<int, int>> scales = {{-7, 5000}, {0, 5000}, {1, 5000},  {10, 500},
                                                   {49, 102},  {50, 100}, {75, 50},   {99, 2},
                                                   {100, 0},   {101, 0},  {1000, 0}};
  for (const auto& [quality, scale] : scales) EXPECT_EQ(qualityScale(quality), scale) << quality;

  // Scaled entries: (v x scale + 50) / 100, then 1..255.
  struct ClampCase {
    int scale;
    uint8_t first;  // from base 16 (luminance, natural index 0)
    uint8_t last;   // from base 99 (natural index 63)
  };
  for (const ClampCase& c : std::vector<ClampCase>{{5000, 255, 255}, {50, 8, 50}, {0, 1, 1}}) {
    uint8_t scaled[64];
    scaleQuantTable(kLuminanceQuantBase, c.scale, scaled);
    EXPECT_EQ(scaled[0], c.first) << c.scale;
    EXPECT_EQ(scaled[63], c.last) << c.scale;
  }
}

TEST(JpegBitWriter, StuffsPadsAndStaysInBounds) {
  std::vector<uint8_t> out(8, 0xEE);
  JpegBitWriter writer(out.data(), 6);
  writer.putBits(0x1FE, 9);   // 1111 1111 0 -> FF (stuffed), 0 pending
  writer.putBits(0x5, 3);     // 0101 pending
  writer.putBits(0xABCD, 16); // 0101 1010 1011 1100 1101 -> 5A BC, 1101 pending
  writer.padWithOnes();       // 1101 1111 -> DF
  EXPECT_FALSE(writer.overflowed());
  EXPECT_EQ(std::vector<uint8_t>(out.begin(), out.begin() + 5),
            (std::vector<uint8_t>{0xFF, 0x00, 0x5A, 0xBC, 0xDF}));
  ASSERT_EQ(writer.length(), 5u);

  writer.putBits(0xFF, 8);  // FF fits, its stuffed 00 does not
  writer.padWithOnes();
  EXPECT_TRUE(writer.overflowed());
  EXPECT_EQ(writer.length(), 6u);
  writer.putWord(0xFFD9);
  EXPECT_EQ(writer.length(), 6u);
  EXPECT_EQ(out[5], 0xFF);
  EXPECT_EQ(out[6], 0xEE);
  EXPECT_EQ(out[7], 0xEE);
}

// Whole 32-bit words: stored at once when they hold no 0xFF and fit, else
// byte by byte with stuffing, never past the capacity.
TEST(JpegBitWriter, WordsNearTheCapacity) {
  struct Case {
    std::size_t capacity;
    uint32_t word;
    std::vector<uint8_t> stored;
    bool overflowed;
  };
  const std::vector<Case> cases = {
      {4, 0x12345678, {0x12, 0x34, 0x56, 0x78}, false},
      {3, 0x12345678, {0x12, 0x34, 0x56}, true},
      {8, 0x12FF3456, {0x12, 0xFF, 0x00, 0x34, 0x56}, false},
      {4, 0x12FF3456, {0x12, 0xFF, 0x00, 0x34}, true},
      {2, 0xFFFFFFFF, {0xFF, 0x00}, true},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> out(c.capacity + 4, 0xEE);
    JpegBitWriter writer(out.data(), c.capacity);
    writer.putBits(c.word >> 16, 16);
    writer.putBits(c.word & 0xFFFF, 16);
    EXPECT_EQ(writer.overflowed(), c.overflowed) << std::hex << c.word;
    ASSERT_EQ(writer.length(), c.stored.size()) << std::hex << c.word;
    EXPECT_EQ(std::vector<uint8_t>(out.begin(), out.begin() + c.stored.size()), c.stored);
    for (std::size_t i = c.capacity; i < out.size(); ++i) EXPECT_EQ(out[i], 0xEE);
  }
}

TEST(JpegBitWriter, PaddingOnlyWhenBitsPending) {
  std::vector<uint8_t> out(4, 0xEE);
  JpegBitWriter writer(out.data(), out.size());
  writer.putBits(0x12, 8);
  writer.padWithOnes();
  EXPECT_EQ(writer.length(), 1u);
  writer.putBits(0, 1);
  writer.padWithOnes();
  EXPECT_EQ(writer.length(), 2u);
  EXPECT_EQ(out[1], 0x7F);
}

}  // namespace
