// Our encoder against libjpeg-turbo configured to code the same way: the files
// must be identical except for the order of the four DHT segments, and
// libjpeg must decode ours without a single warning.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <ostream>
#include <string>

#include "ffmpeg/jpeg_encoder.h"
#include "jpeg_test_support.h"
#include "libjpeg_reference.h"

namespace {

class LibjpegOracle : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { libjpeg_reference::disableSimd(); }

  static void expectSameAsLibjpeg(const std::vector<uint8_t>& ours, const I420Picture& picture,
                                  int quality) {
    const char* simdOff = std::getenv("JSIMD_FORCENONE");
    ASSERT_TRUE(simdOff != nullptr && std::string(simdOff) == "1") << "libjpeg must run SIMD off";
    const std::vector<uint8_t> theirs = libjpeg_reference::encode(picture, quality);
    ASSERT_FALSE(theirs.empty());
    const auto a = libjpeg_reference::withSortedHuffmanTables(ours);
    const auto b = libjpeg_reference::withSortedHuffmanTables(theirs);
    EXPECT_TRUE(a == b) << firstDifference(a, b);
  }
};

struct PictureCase {
  std::string name;
  std::function<I420Picture()> make;
};

void PrintTo(const PictureCase& c, std::ostream* os) { *os << c.name; }

class SamePictureAsLibjpeg : public LibjpegOracle,
                             public ::testing::WithParamInterface<PictureCase> {};

TEST_P(SamePictureAsLibjpeg, IdenticalBytesAndCleanDecode) {
  const I420Picture picture = GetParam().make();
  int result = 1;
  const std::vector<uint8_t> ours = encodeWithOurs(picture, &result);
  ASSERT_EQ(result, 0);
  expectSameAsLibjpeg(ours, picture, 75);

  const libjpeg_reference::Decoded decoded = libjpeg_reference::decode(ours);
  ASSERT_TRUE(decoded.ok) << decoded.error;
  EXPECT_EQ(decoded.warnings, 0) << decoded.firstWarning;
  EXPECT_EQ(decoded.width, picture.width);
  EXPECT_EQ(decoded.height, picture.height);
  EXPECT_EQ(decoded.components, 3);
}

INSTANTIATE_TEST_SUITE_P(
    Pictures, SamePictureAsLibjpeg,
    ::testing::Values(
        PictureCase{"smooth_320x240", [] { return smoothPicture(320, 240); }},
        PictureCase{"noisy_320x240", [] { return noisyPicture(320, 240, 7); }},
        PictureCase{"scene_1920x1080", [] { return scenePicture(1920, 1080); }},
        PictureCase{"grey_16x8", [] { return uniformPicture(16, 8, 128); }},
        PictureCase{"white_64x64", [] { return uniformPicture(64, 64, 255); }},
        PictureCase{"black_64x64", [] { return uniformPicture(64, 64, 0); }},
        // Not multiples of 8: padded by repeating the last column and row.
        PictureCase{"smooth_38x22", [] { return smoothPicture(38, 22); }},
        PictureCase{"noisy_642x362", [] { return noisyPicture(642, 362, 99); }},
        PictureCase{"scene_2x2", [] { return scenePicture(2, 2); }}),
    [](const auto& param) { return param.param.name; });

// Other qualities through the plane entry point: the table scaling (including
// the clamp to 1..255 at low quality) must match libjpeg's.
class QualityAsLibjpeg : public LibjpegOracle, public ::testing::WithParamInterface<int> {};

TEST_P(QualityAsLibjpeg, IdenticalBytes) {
  const I420Picture picture = scenePicture(96, 64);
  std::vector<uint8_t> out(64 * 1024);
  uint32_t size = static_cast<uint32_t>(out.size());
  ASSERT_EQ(jpeg_encode_planes(picture.y(), picture.u(), picture.v(), picture.width,
                               picture.height, GetParam(), picture.width, out.data(), &size),
            0);
  out.resize(size);
  expectSameAsLibjpeg(out, picture, GetParam());
}

INSTANTIATE_TEST_SUITE_P(Qualities, QualityAsLibjpeg, ::testing::Values(1, 10, 49, 50, 90, 100));

// Rows further apart than the width (a padded frame buffer) code the same
// picture as tight rows.
TEST_F(LibjpegOracle, RowStepWiderThanThePicture) {
  const I420Picture picture = smoothPicture(40, 24);
  const int step = 56;
  std::vector<uint8_t> y(static_cast<std::size_t>(step) * picture.height, 0xEE);
  std::vector<uint8_t> u(static_cast<std::size_t>(step / 2) * picture.height / 2, 0xEE);
  std::vector<uint8_t> v(u.size(), 0xEE);
  for (int r = 0; r < picture.height; ++r)
    std::copy_n(picture.y() + r * picture.width, picture.width, y.begin() + r * step);
  for (int r = 0; r < picture.height / 2; ++r) {
    std::copy_n(picture.u() + r * picture.width / 2, picture.width / 2, u.begin() + r * step / 2);
    std::copy_n(picture.v() + r * picture.width / 2, picture.width / 2, v.begin() + r * step / 2);
  }
  std::vector<uint8_t> out(16 * 1024);
  uint32_t size = static_cast<uint32_t>(out.size());
  ASSERT_EQ(jpeg_encode_planes(y.data(), u.data(), v.data(), picture.width, picture.height, 75,
                               step, out.data(), &size),
            0);
  out.resize(size);
  expectSameAsLibjpeg(out, picture, 75);
}

}  // namespace
