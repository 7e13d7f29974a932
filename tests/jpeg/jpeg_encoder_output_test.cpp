// The file layout, the entropy data of a known picture, and the refusals:
// bad arguments (-3), a declared capacity below the I420 size (-4) and output
// that would not fit the declared capacity (-5), which must never write past it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "ffmpeg/jpeg_encoder.h"
#include "jpeg_test_support.h"

namespace {

std::vector<uint8_t> slice(const std::vector<uint8_t>& bytes, std::size_t at, std::size_t count) {
  return {bytes.begin() + at, bytes.begin() + at + count};
}

TEST(JpegLayout, SegmentsAtTheirOffsets) {
  const std::vector<uint8_t> jpeg = encodeWithOurs(smoothPicture(264, 40));
  ASSERT_GT(jpeg.size(), 625u);
  const std::vector<uint8_t> head = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J',  'F',  'I',  'F',
                                     0x00, 0x01, 0x01, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00};
  EXPECT_EQ(slice(jpeg, 0, 20), head);
  // Quality 75 halves the Annex K bases: zigzag 16 11 12 14 -> 8 6 6 7, chroma
  // 17 18 18 24 -> 9 9 9 12; the last entry (99) becomes 50.
  EXPECT_EQ(slice(jpeg, 20, 9), (std::vector<uint8_t>{0xFF, 0xDB, 0x00, 0x43, 0x00, 8, 6, 6, 7}));
  EXPECT_EQ(jpeg[88], 50);
  EXPECT_EQ(slice(jpeg, 89, 9), (std::vector<uint8_t>{0xFF, 0xDB, 0x00, 0x43, 0x01, 9, 9, 9, 12}));
  EXPECT_EQ(jpeg[157], 50);
  EXPECT_EQ(slice(jpeg, 158, 19),
            (std::vector<uint8_t>{0xFF, 0xC0, 0x00, 0x11, 0x08, 0x00, 0x28, 0x01, 0x08, 0x03,
                                  0x01, 0x11, 0x00, 0x02, 0x11, 0x01, 0x03, 0x11, 0x01}));
  EXPECT_EQ(slice(jpeg, 177, 5), (std::vector<uint8_t>{0xFF, 0xC4, 0x00, 0x1F, 0x00}));
  EXPECT_EQ(slice(jpeg, 210, 5), (std::vector<uint8_t>{0xFF, 0xC4, 0x00, 0x1F, 0x01}));
  EXPECT_EQ(slice(jpeg, 243, 5), (std::vector<uint8_t>{0xFF, 0xC4, 0x00, 0xB5, 0x10}));
  EXPECT_EQ(slice(jpeg, 426, 5), (std::vector<uint8_t>{0xFF, 0xC4, 0x00, 0xB5, 0x11}));
  EXPECT_EQ(slice(jpeg, 609, 14), (std::vector<uint8_t>{0xFF, 0xDA, 0x00, 0x0C, 0x03, 0x01, 0x00,
                                                        0x02, 0x11, 0x03, 0x11, 0x00, 0x3F, 0x00}));
  EXPECT_EQ(slice(jpeg, jpeg.size() - 2, 2), (std::vector<uint8_t>{0xFF, 0xD9}));
}

// Mid-grey codes no coefficient: per block the DC code of category 0 and the
// end-of-block code (Y: 00 1010, Cb and Cr: 00 00), two MCUs, then 1-bits.
TEST(JpegLayout, UniformGreyEntropyData) {
  const std::vector<uint8_t> jpeg = encodeWithOurs(uniformPicture(16, 8, 128));
  ASSERT_EQ(jpeg.size(), 629u);
  EXPECT_EQ(slice(jpeg, 623, 6), (std::vector<uint8_t>{0x28, 0x00, 0xA0, 0x0F, 0xFF, 0xD9}));
}

TEST(JpegLayout, EveryEntropyFFIsStuffed) {
  const std::vector<uint8_t> jpeg = encodeWithOurs(noisyPicture(128, 96, 3));
  ASSERT_GT(jpeg.size(), 625u);
  int stuffed = 0;
  for (std::size_t i = 623; i + 2 < jpeg.size(); ++i) {
    if (jpeg[i] != 0xFF) continue;
    ASSERT_EQ(jpeg[i + 1], 0x00) << "unstuffed 0xFF at " << i;
    ++stuffed;
    ++i;
  }
  EXPECT_GT(stuffed, 0) << "the noisy picture should code some 0xFF bytes";
}

constexpr uint8_t kUntouched = 0xA5;

struct Call {
  bool nullYuv = false;
  bool nullOut = false;
  bool nullSize = false;
  int width = 64;
  int height = 48;
  long capacityChange = 0;  // declared capacity: the I420 size plus this
  int inputShortBy = 0;     // the frame length passed: the input's size less this
};

struct RefusalCase {
  std::string name;
  Call call;
  int expected;
};

void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.name; }

class Refusals : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(Refusals, ResultAndOutputUntouched) {
  const Call& call = GetParam().call;
  const std::vector<uint8_t> yuv(64 * 48 * 3 / 2, 128);
  std::vector<uint8_t> out(64 * 1024, kUntouched);
  const long frame = static_cast<long>(call.width) * call.height * 3 / 2;
  const uint32_t declared = static_cast<uint32_t>(std::max(0L, frame + call.capacityChange));
  uint32_t size = declared;
  const int yuvLength = static_cast<int>(yuv.size()) - call.inputShortBy;
  const int result = yuv420_to_jpeg(call.nullYuv ? nullptr : yuv.data(), yuvLength,
                                    call.nullOut ? nullptr : reinterpret_cast<char*>(out.data()),
                                    call.nullSize ? nullptr : &size, call.width, call.height);
  EXPECT_EQ(result, GetParam().expected);
  // Written: nothing on a refusal, up to the capacity on -5, the file on success.
  std::size_t written = 0;
  if (result == JPEG_ENCODE_OK) {
    EXPECT_LE(size, declared);
    written = size;
  } else {
    EXPECT_EQ(size, declared);
    if (result == JPEG_ENCODE_OUTPUT_FULL) written = declared;
  }
  for (std::size_t i = written; i < out.size(); ++i) ASSERT_EQ(out[i], kUntouched) << i;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Refusals,
    ::testing::Values(
        RefusalCase{"null_input", {true, false, false}, JPEG_ENCODE_BAD_ARGUMENT},
        RefusalCase{"null_output", {false, true, false}, JPEG_ENCODE_BAD_ARGUMENT},
        RefusalCase{"null_size", {false, false, true}, JPEG_ENCODE_BAD_ARGUMENT},
        RefusalCase{"zero_width", {false, false, false, 0, 48}, JPEG_ENCODE_BAD_ARGUMENT},
        RefusalCase{"negative_width", {false, false, false, -64, 48}, JPEG_ENCODE_BAD_ARGUMENT},
        RefusalCase{"negative_height", {false, false, false, 64, -48}, JPEG_ENCODE_BAD_ARGUMENT},
        RefusalCase{"odd_width", {false, false, false, 63, 48}, JPEG_ENCODE_BAD_ARGUMENT},
        RefusalCase{"odd_height", {false, false, false, 64, 47}, JPEG_ENCODE_BAD_ARGUMENT},
        RefusalCase{"width_beyond_frame_header", {false, false, false, 65536, 2},
                    JPEG_ENCODE_BAD_ARGUMENT},
        RefusalCase{"input_one_byte_short", {false, false, false, 64, 48, 0, 1},
                    JPEG_ENCODE_BAD_ARGUMENT},
        RefusalCase{"capacity_one_short", {false, false, false, 64, 48, -1},
                    JPEG_ENCODE_SMALL_CAPACITY},
        // Exactly the I420 size (4608 bytes) is enough for a plain picture.
        RefusalCase{"capacity_exactly_i420", {false, false, false, 64, 48, 0}, JPEG_ENCODE_OK},
        // 96 bytes of I420 cannot even hold the 625 bytes of markers.
        RefusalCase{"tiny_picture_in_i420_size", {false, false, false, 8, 8, 0},
                    JPEG_ENCODE_OUTPUT_FULL}),
    [](const auto& param) { return param.param.name; });

// Noise codes to more than the I420 size the caller declares: refused with -5
// at that capacity and at every capacity short of the file's length, with
// nothing written past the capacity (the buffer is exactly that long, so
// AddressSanitizer sees any overrun); accepted at exactly its length.
TEST(JpegBoundedOutput, NoisyPictureBeyondTheI420Size) {
  const I420Picture picture = noisyPicture(1280, 720, 11);
  const std::vector<uint8_t> full = encodeWithOurs(picture);
  ASSERT_GT(full.size(), picture.frameSize()) << "noise should code beyond the I420 size";

  const std::size_t length = full.size();
  const std::size_t i420 = picture.frameSize();
  const std::vector<std::size_t> capacities = {i420,       (i420 + length) / 2, length - 3,
                                               length - 2, length - 1,          length};
  for (std::size_t capacity : capacities) {
    SCOPED_TRACE("capacity " + std::to_string(capacity) + " of " + std::to_string(length));
    std::vector<uint8_t> out(capacity);
    uint32_t size = static_cast<uint32_t>(capacity);
    const int result =
        yuv420_to_jpeg(picture.y(), static_cast<int>(picture.frameSize()),
                       reinterpret_cast<char*>(out.data()), &size, picture.width, picture.height);
    if (capacity < length) {
      EXPECT_EQ(result, JPEG_ENCODE_OUTPUT_FULL);
      EXPECT_EQ(size, capacity);
    } else {
      ASSERT_EQ(result, JPEG_ENCODE_OK);
      EXPECT_EQ(size, length);
      EXPECT_TRUE(out == full);
    }
  }
}

// Every camera's decode thread encodes its own snapshots, possibly at the same
// moment as the others: the encoder keeps no state between calls, so each
// thread's files equal what a lone call makes of the same picture.
TEST(JpegConcurrency, SimultaneousEncodingsMatchLoneOnes) {
  const std::vector<I420Picture> pictures = {smoothPicture(96, 64), noisyPicture(96, 64, 5),
                                             scenePicture(96, 64), uniformPicture(96, 64, 77)};
  std::vector<std::vector<uint8_t>> alone;
  for (const I420Picture& picture : pictures) alone.push_back(encodeWithOurs(picture));

  constexpr int kRounds = 20;
  std::vector<int> mismatches(pictures.size(), 0);
  std::vector<std::thread> threads;
  for (std::size_t t = 0; t < pictures.size(); ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < kRounds; ++round)
        if (encodeWithOurs(pictures[t]) != alone[t]) ++mismatches[t];
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (std::size_t t = 0; t < pictures.size(); ++t) {
    EXPECT_FALSE(alone[t].empty());
    EXPECT_EQ(mismatches[t], 0) << "picture " << t;
  }
}

}  // namespace
