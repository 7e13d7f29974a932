// KV_VideoCodec against the ffmpeg command line's own decode of the same
// streams: every picture byte-identical, one picture per access unit.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <thread>

#include "KV_VideoCodec.h"
#include "media_assets.h"

using namespace media_assets;

namespace {

constexpr int kCapacity = 5529728;  // what the video decode thread passes

class Decoder {
 public:
  explicit Decoder(int type) { KVVideo_Create(type, &handle_); }
  ~Decoder() { KVVideo_Destroy(&handle_); }
  Decoder(const Decoder&) = delete;
  Decoder& operator=(const Decoder&) = delete;
  void* handle() const { return handle_; }

  struct Result {
    int rc;
    int length;
    int width;
    int height;
  };
  Result decode(const Bytes& au, uint8_t* out, int capacity, int hintW, int hintH) {
    Result r{0, capacity, hintW, hintH};
    r.rc = KVVideo_Decode(handle_, au.data(), 0, static_cast<int>(au.size()), out, 0, &r.length,
                          &r.width, &r.height);
    return r;
  }

 private:
  void* handle_ = nullptr;
};

int typeOf(VideoCodec c) { return c == VideoCodec::H264 ? VIDEO_CODE_TYPE_H264 : VIDEO_CODE_TYPE_H265; }

// Decodes the segments one after another through a single decoder and checks
// each call against the segments' references in order. The size passed in
// is each segment's own, or `announcedW` x `announcedH` when those are given
// (a sender whose frame heads do not follow the stream).
void expectIdenticalPictures(int decoderType, const std::vector<TestStream>& segments,
                             int announcedW = -1, int announcedH = -1) {
  Decoder dec(decoderType);
  ASSERT_NE(dec.handle(), nullptr);
  std::vector<uint8_t> out(kCapacity);
  int call = 0;
  for (const TestStream& segment : segments) {
    const Bytes ref = referencePictures(segment);
    const size_t size = pictureSize(segment.width, segment.height);
    const auto aus = splitAccessUnits(readFile(streamFile(segment)), segment.codec);
    ASSERT_EQ(aus.size(), static_cast<size_t>(segment.frames)) << segment.name;
    ASSERT_EQ(ref.size(), size * aus.size()) << segment.name;
    for (size_t i = 0; i < aus.size(); ++i, ++call) {
      const auto r = dec.decode(aus[i], out.data(), kCapacity, announcedW < 0 ? segment.width : announcedW,
                                announcedH < 0 ? segment.height : announcedH);
      ASSERT_GT(r.rc, 0) << segment.name << " access unit " << i;
      ASSERT_EQ(static_cast<size_t>(r.length), size) << segment.name << " access unit " << i;
      ASSERT_EQ(r.width, segment.width);
      ASSERT_EQ(r.height, segment.height);
      ASSERT_TRUE(std::equal(out.begin(), out.begin() + r.length,
                             ref.begin() + static_cast<ptrdiff_t>(i * size)))
          << segment.name << " picture " << i << " differs";
    }
  }
}

const TestStream kH264{"h264_320x240", VideoCodec::H264, 320, 240, "yuv420p", "yuv420p", 30};
const TestStream kH265{"h265_320x240", VideoCodec::H265, 320, 240, "yuv420p", "yuv420p", 30};
const TestStream kH264Cif{"h264_352x288", VideoCodec::H264, 352, 288, "yuv420p", "yuv420p", 20};
const TestStream kH265Cif{"h265_352x288", VideoCodec::H265, 352, 288, "yuv420p", "yuv420p", 20};

class VideoDecodeStream : public ::testing::TestWithParam<TestStream> {};

TEST_P(VideoDecodeStream, EveryAccessUnitGivesTheReferencePicture) {
  const TestStream& s = GetParam();
  expectIdenticalPictures(typeOf(s.codec), {s});
}

INSTANTIATE_TEST_SUITE_P(
    Formats, VideoDecodeStream,
    ::testing::Values(
        kH264, kH265,
        // full-range 4:2:0 is passed through as it is
        TestStream{"h264_full_range", VideoCodec::H264, 320, 240, "yuvj420p", "yuvj420p", 12},
        // other layouts are converted to I420
        TestStream{"h264_422", VideoCodec::H264, 320, 240, "yuv422p", "yuv420p", 12},
        TestStream{"h265_10bit", VideoCodec::H265, 320, 240, "yuv420p10le", "yuv420p", 12},
        // odd sizes: chroma rounded up
        TestStream{"h264_444_odd", VideoCodec::H264, 321, 241, "yuv444p", "yuv420p", 12},
        // pictures cut into slices (decoded on slice threads)
        TestStream{"h264_4_slices", VideoCodec::H264, 320, 240, "yuv420p", "yuv420p", 12, 10, 0, 4},
        TestStream{"h265_4_slices", VideoCodec::H265, 320, 240, "yuv420p", "yuv420p", 12, 10, 0, 4}),
    [](const ::testing::TestParamInfo<TestStream>& p) { return std::string(p.param.name); });

// Threads of this process now.
int processThreads() {
  int n = 0;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/task")) {
    (void)entry;
    ++n;
  }
  return n;
}

// A decoder's threads fit the stream: a picture of one slice is decoded on
// the caller's thread alone (four cameras in a grid keep four threads, not
// sixteen), a picture of several slices on as many slice threads (up to the
// cores, at most four), decided at each key picture.
TEST(VideoDecodeThreads, FollowTheSlicesOfTheKeyPictures) {
  const TestStream oneSlice = kH264;
  const TestStream fourSlices{"h264_4_slices", VideoCodec::H264, 320, 240, "yuv420p", "yuv420p", 12, 10, 0, 4};
  const int cores = int(std::max(1u, std::thread::hardware_concurrency()));
  const struct {
    const char* name;
    std::vector<TestStream> segments;
    int extraThreads;  // beside the caller's, once the last segment decodes
  } cases[] = {
      {"one slice", {oneSlice}, 0},
      {"four slices", {fourSlices}, std::min(cores, 4) - 1},
      {"four slices, then one", {fourSlices, oneSlice}, 0},
      {"one slice, then four", {oneSlice, fourSlices}, std::min(cores, 4) - 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const int before = processThreads();
    {
      Decoder dec(VIDEO_CODE_TYPE_H264);
      std::vector<uint8_t> out(kCapacity);
      for (const TestStream& s : c.segments)
        for (const Bytes& au : splitAccessUnits(readFile(streamFile(s)), s.codec))
          ASSERT_GT(dec.decode(au, out.data(), kCapacity, s.width, s.height).rc, 0);
      const int extra = processThreads() - before;
      // FFmpeg may keep one thread of its own beside the slice threads.
      EXPECT_GE(extra, c.extraThreads);
      EXPECT_LE(extra, c.extraThreads == 0 ? 0 : c.extraThreads + 1);
    }
    EXPECT_EQ(processThreads(), before) << "threads left behind";
  }
}

TEST(VideoDecodeChange, ResolutionChangeRestartsTheDecoder) {
  expectIdenticalPictures(VIDEO_CODE_TYPE_H264, {kH264, kH264Cif, kH264});
  expectIdenticalPictures(VIDEO_CODE_TYPE_H265, {kH265, kH265Cif});
}

TEST(VideoDecodeChange, SizeFollowsTheStreamWhateverTheFrameHeadsSay) {
  expectIdenticalPictures(VIDEO_CODE_TYPE_H264, {kH264, kH264Cif, kH264}, 320, 240);
  expectIdenticalPictures(VIDEO_CODE_TYPE_H265, {kH265, kH265Cif}, 0, 0);
}

TEST(VideoDecodeChange, CodecFollowsTheStreamsParameterSets) {
  // created for one codec, fed the other, then both in turn
  expectIdenticalPictures(VIDEO_CODE_TYPE_H265, {kH264});
  expectIdenticalPictures(VIDEO_CODE_TYPE_H264, {kH264, kH265Cif, kH264});
}

TEST(VideoDecodeChange, DecodersOnSeparateThreadsAreIndependent) {
  // one decoder per camera, each on its own decode thread
  referencePictures(kH264);
  referencePictures(kH265);
  std::vector<std::thread> threads;
  for (int i = 0; i < 4; ++i)
    threads.emplace_back([i] {
      const TestStream& s = i % 2 ? kH265 : kH264;
      expectIdenticalPictures(typeOf(s.codec), {s});
    });
  for (auto& t : threads) t.join();
}

TEST(VideoDecode, NoPictureBeforeTheFirstKeyFrameThenReferencePictures) {
  const Bytes ref = referencePictures(kH264);
  const auto aus = splitAccessUnits(readFile(streamFile(kH264)), VideoCodec::H264);
  const size_t size = pictureSize(kH264.width, kH264.height);
  Decoder dec(VIDEO_CODE_TYPE_H264);
  std::vector<uint8_t> out(kCapacity);
  // join in the middle of the first group of pictures (key frames at 0, 10, 20)
  for (size_t i = 3; i < 10; ++i) {
    const auto r = dec.decode(aus[i], out.data(), kCapacity, 320, 240);
    EXPECT_LE(r.rc, 0) << i;
    EXPECT_EQ(r.length, 0) << i;
  }
  for (size_t i = 10; i < aus.size(); ++i) {
    const auto r = dec.decode(aus[i], out.data(), kCapacity, 320, 240);
    ASSERT_GT(r.rc, 0) << i;
    ASSERT_TRUE(std::equal(out.begin(), out.begin() + r.length,
                           ref.begin() + static_cast<ptrdiff_t>(i * size)))
        << i;
  }
}

TEST(VideoDecode, BFramesComeOutInDisplayOrderBehindTheirReorderDepth) {
  // Cameras send no B-frames; when a stream has them, "no picture yet" covers
  // the reorder delay and nothing is shown out of order or twice.
  for (VideoCodec c : {VideoCodec::H264, VideoCodec::H265}) {
    const TestStream s{c == VideoCodec::H264 ? "h264_bframes" : "h265_bframes", c, 320, 240, "yuv420p",
                       "yuv420p", 30, 10, 3};
    const Bytes ref = referencePictures(s);
    const size_t size = pictureSize(320, 240);
    const auto aus = splitAccessUnits(readFile(streamFile(s)), c);
    Decoder dec(typeOf(c));
    std::vector<uint8_t> out(kCapacity);
    size_t shown = 0;
    for (size_t i = 0; i < aus.size(); ++i) {
      const auto r = dec.decode(aus[i], out.data(), kCapacity, 320, 240);
      if (shown == 0 && r.rc == 0) continue;  // still filling the reorder buffer
      ASSERT_GT(r.rc, 0) << i;
      ASSERT_TRUE(std::equal(out.begin(), out.begin() + r.length,
                             ref.begin() + static_cast<ptrdiff_t>(shown * size)))
          << "access unit " << i << " should show picture " << shown;
      ++shown;
    }
    EXPECT_GE(shown + 4, aus.size()) << "delay beyond the reorder depth";
    EXPECT_LT(shown, aus.size()) << "the stream has B-frames, some delay is expected";
  }
}

TEST(VideoDecode, OutputLargerThanTheCapacityIsRefusedWithoutWriting) {
  const Bytes ref = referencePictures(kH264);
  const auto aus = splitAccessUnits(readFile(streamFile(kH264)), VideoCodec::H264);
  const int size = static_cast<int>(pictureSize(320, 240));
  Decoder dec(VIDEO_CODE_TYPE_H264);
  // exactly sized heap buffers: a write past the end trips AddressSanitizer
  for (int capacity : {0, 1, size - 1}) {
    std::vector<uint8_t> small(static_cast<size_t>(std::max(capacity, 1)), 0xAB);
    const auto r = dec.decode(aus[0], small.data(), capacity, 320, 240);
    EXPECT_EQ(r.rc, KV_MEDIA_ERR_CAPACITY) << capacity;
    EXPECT_EQ(r.length, 0);
    EXPECT_TRUE(std::all_of(small.begin(), small.end(), [](uint8_t b) { return b == 0xAB; }));
  }
  // the decoder goes on with the stream
  std::vector<uint8_t> exact(static_cast<size_t>(size));
  for (size_t i = 1; i < 10; ++i) {
    const auto r = dec.decode(aus[i], exact.data(), size, 320, 240);
    ASSERT_EQ(r.rc, size) << i;
    ASSERT_TRUE(std::equal(exact.begin(), exact.end(), ref.begin() + static_cast<ptrdiff_t>(i) * size))
        << i;
  }
}

TEST(VideoDecode, PicturesAboveTheSizeCapAreRefused) {
  const TestStream huge{"h264_4160x2304", VideoCodec::H264, 4160, 2304, "yuv420p", "yuv420p", 1};
  const auto aus = splitAccessUnits(readFile(streamFile(huge)), VideoCodec::H264);
  ASSERT_EQ(aus.size(), 1u);
  std::vector<uint8_t> out(pictureSize(4160, 2304));
  Decoder dec(VIDEO_CODE_TYPE_H264);
  const auto r = dec.decode(aus[0], out.data(), static_cast<int>(out.size()), 4160, 2304);
  EXPECT_LT(r.rc, 0);
  EXPECT_EQ(r.length, 0);
}

TEST(VideoDecode, GarbageNeverYieldsAPicture) {
  std::mt19937 rng(7);
  Decoder dec(VIDEO_CODE_TYPE_H264);
  Decoder dec265(VIDEO_CODE_TYPE_H265);
  std::vector<uint8_t> out(kCapacity);
  auto au = splitAccessUnits(readFile(streamFile(kH264)), VideoCodec::H264)[0];
  for (int round = 0; round < 200; ++round) {
    Bytes junk(1 + rng() % 4000);
    for (auto& b : junk) b = static_cast<uint8_t>(rng());
    if (round % 2) {  // a real access unit with its slice data damaged
      junk = au;
      for (int k = 0; k < 20; ++k) junk[junk.size() / 2 + rng() % (junk.size() / 2)] ^= 0xFF;
    }
    for (Decoder* d : {&dec, &dec265}) {
      const auto r = d->decode(junk, out.data(), kCapacity, 320, 240);
      EXPECT_LE(r.length, kCapacity);
      if (r.rc <= 0) {
        EXPECT_EQ(r.length, 0);
      } else {  // a concealed picture of damaged data: still one whole I420 picture
        EXPECT_EQ(r.length, r.rc);
        ASSERT_GT(r.width, 0);
        ASSERT_GT(r.height, 0);
        EXPECT_EQ(static_cast<size_t>(r.length), pictureSize(r.width, r.height));
      }
    }
  }
}

TEST(VideoDecodeInterface, CreateAndDestroy) {
  void* h = reinterpret_cast<void*>(1);
  EXPECT_EQ(KVVideo_Create(3, &h), KV_MEDIA_ERR_UNSUPPORTED);
  EXPECT_EQ(h, nullptr);
  EXPECT_EQ(KVVideo_Create(VIDEO_CODE_TYPE_H264, nullptr), KV_MEDIA_ERR_ARG);
  for (int type : {VIDEO_CODE_TYPE_H264, VIDEO_CODE_TYPE_H265}) {
    ASSERT_EQ(KVVideo_Create(type, &h), KV_MEDIA_OK);
    EXPECT_NE(h, nullptr);
    EXPECT_EQ(KVVideo_Destroy(&h), KV_MEDIA_OK);
    EXPECT_EQ(h, nullptr);
    EXPECT_EQ(KVVideo_Destroy(&h), KV_MEDIA_OK);  // already released: harmless
  }
  EXPECT_EQ(KVVideo_Destroy(nullptr), KV_MEDIA_ERR_ARG);
}

TEST(VideoDecodeInterface, BadArgumentsAreRefused) {
  Decoder dec(VIDEO_CODE_TYPE_H264);
  const Bytes au = splitAccessUnits(readFile(streamFile(kH264)), VideoCodec::H264)[0];
  std::vector<uint8_t> out(kCapacity);
  struct Case {
    const char* what;
    bool nullHandle, nullFrame, nullOut, nullWidth;
    int length, capacity;
  };
  const int n = static_cast<int>(au.size());
  const Case cases[] = {
      {"null handle", true, false, false, false, n, kCapacity},
      {"null frame", false, true, false, false, n, kCapacity},
      {"zero length", false, false, false, false, 0, kCapacity},
      {"negative length", false, false, false, false, -5, kCapacity},
      {"null output", false, false, true, false, n, kCapacity},
      {"negative capacity", false, false, false, false, n, -1},
      {"null size", false, false, false, true, n, kCapacity},
  };
  for (const Case& c : cases) {
    int len = c.capacity, w = 320, h = 240;
    EXPECT_EQ(KVVideo_Decode(c.nullHandle ? nullptr : dec.handle(), c.nullFrame ? nullptr : au.data(),
                             0, c.length, c.nullOut ? nullptr : out.data(), 0, &len,
                             c.nullWidth ? nullptr : &w, &h),
              KV_MEDIA_ERR_ARG)
        << c.what;
    EXPECT_EQ(len, 0) << c.what;
  }
  int w = 320, h = 240;
  EXPECT_EQ(KVVideo_Decode(dec.handle(), au.data(), 0, n, out.data(), 0, nullptr, &w, &h),
            KV_MEDIA_ERR_ARG);
}

}  // namespace
