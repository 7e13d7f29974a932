// KV_AudioCodec against the ffmpeg command line's decode of the same ADTS
// stream, and the PCM format conversions asked for at creation.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "KV_AudioCodec.h"
#include "media_assets.h"
#include "tone_power.h"

using namespace media_assets;

namespace {

constexpr int kCapacity = 2048000;  // what the audio decode thread passes

// A 1 kHz tone coded as AAC-LC at `rate`, as ADTS: mono, or stereo with a
// 500 Hz tone on the right so that a channel swap or mix-down shows.
std::string sineAdts(int rate = 8000, int channels = 1) {
  const std::string r = std::to_string(rate);
  const std::string tone = "-f lavfi -i sine=frequency=1000:sample_rate=" + r + ":duration=2 ";
  if (channels == 1)
    return ffmpegAsset("sine1k_" + r + "_mono.aac", tone + "-ac 1 -c:a aac -b:a 24k -f adts");
  return ffmpegAsset("sine1k_" + r + "_stereo.aac",
                     tone + "-f lavfi -i sine=frequency=500:sample_rate=" + r +
                         ":duration=2 -filter_complex amerge=inputs=2 -c:a aac -b:a 32k -f adts");
}

std::vector<int16_t> referencePcm(int rate, int channels) {
  const std::string name = "sine1k_" + std::to_string(rate) + (channels == 1 ? "_mono" : "_stereo");
  const Bytes b = readFile(ffmpegAsset(name + ".s16", "-i " + quoted(sineAdts(rate, channels)) + " -f s16le"));
  std::vector<int16_t> s(b.size() / 2);
  memcpy(s.data(), b.data(), s.size() * 2);
  return s;
}

class AudioDecoder {
 public:
  AudioDecoder(int rate, int channels) { KVAudio_Create(AUDIO_CODE_TYPE_AAC, rate, channels, &h_); }
  ~AudioDecoder() { KVAudio_Destroy(&h_); }
  AudioDecoder(const AudioDecoder&) = delete;
  AudioDecoder& operator=(const AudioDecoder&) = delete;
  void* handle() const { return h_; }

  // Decodes every frame; each call must give PCM. Returns all samples.
  std::vector<int16_t> decodeAll(const std::vector<Bytes>& frames) {
    std::vector<int16_t> all;
    std::vector<uint8_t> out(kCapacity);
    for (size_t i = 0; i < frames.size(); ++i) {
      int len = kCapacity;
      const int rc = KVAudio_Decode(h_, frames[i].data(), static_cast<int>(frames[i].size()),
                                    out.data(), &len);
      EXPECT_GT(rc, 0) << "frame " << i;
      EXPECT_EQ(rc, len);
      const size_t old = all.size();
      all.resize(old + static_cast<size_t>(len) / 2);
      memcpy(all.data() + old, out.data(), static_cast<size_t>(len));
    }
    return all;
  }

 private:
  void* h_ = nullptr;
};

using testsupport::tonePower;

struct Source {
  int rate;
  bool clientHeaders;  // headers rewritten as the audio decode thread makes them
  int channels = 1;    // coded in the stream
};

void PrintTo(const Source& s, std::ostream* os) {
  *os << s.rate << " Hz, " << s.channels << " channel(s)" << (s.clientHeaders ? ", client headers" : "");
}

class AudioDecodeReference : public ::testing::TestWithParam<Source> {};

TEST_P(AudioDecodeReference, PcmEqualsFfmpegWithinOne) {
  const Source src = GetParam();
  const std::vector<int16_t> ref = referencePcm(src.rate, src.channels);
  auto frames = splitAdts(readFile(sineAdts(src.rate, src.channels)));
  ASSERT_GT(frames.size(), 10u);
  if (src.clientHeaders)
    for (Bytes& f : frames) f = withClientHeader(f);
  AudioDecoder dec(src.rate, 1);  // the channel argument the pipeline passes
  const std::vector<int16_t> pcm = dec.decodeAll(frames);
  ASSERT_EQ(pcm.size(), ref.size());
  ASSERT_EQ(pcm.size(), frames.size() * 1024 * static_cast<size_t>(src.channels));
  for (size_t i = 0; i < ref.size(); ++i) ASSERT_LE(std::abs(pcm[i] - ref[i]), 1) << "sample " << i;
}

// The client always writes the 8 kHz mono header: at 16 kHz only the
// announced rate makes the frames decodable, and a stereo stream stays stereo
// (the sound output is opened with the camera's channel count).
INSTANTIATE_TEST_SUITE_P(Streams, AudioDecodeReference,
                         ::testing::Values(Source{8000, false}, Source{8000, true},
                                           Source{16000, false}, Source{16000, true},
                                           Source{8000, true, 2}, Source{16000, true, 2}),
                         [](const ::testing::TestParamInfo<Source>& p) {
                           return std::to_string(p.param.rate) + (p.param.clientHeaders ? "Hz_client_header" : "Hz") +
                                  (p.param.channels == 2 ? "_stereo" : "");
                         });

struct Format {
  int rate;  // asked for at creation
  int channels;  // passed at creation (not used: the stream is mono)
  int outRate;  // delivered
  int outChannels;
};

void PrintTo(const Format& f, std::ostream* os) {
  *os << "asked " << f.rate << " Hz / " << f.channels << ", delivers " << f.outRate << " Hz / " << f.outChannels;
}

class AudioDecodeFormat : public ::testing::TestWithParam<Format> {};

TEST_P(AudioDecodeFormat, ToneStaysAtOneKilohertzInTheAskedFormat) {
  const Format f = GetParam();
  const auto frames = splitAdts(readFile(sineAdts()));
  AudioDecoder dec(f.rate, f.channels);
  const std::vector<int16_t> pcm = dec.decodeAll(frames);
  const size_t ch = static_cast<size_t>(f.outChannels);
  ASSERT_EQ(pcm.size() % ch, 0u);
  const double expected = static_cast<double>(frames.size()) * 1024 * f.outRate / 8000;
  // the resampler holds back a few input samples
  EXPECT_NEAR(static_cast<double>(pcm.size() / ch), expected, 32.0 * f.outRate / 8000);
  for (size_t i = 0; i + ch <= pcm.size(); i += ch)
    for (size_t c = 1; c < ch; ++c) ASSERT_EQ(pcm[i + c], pcm[i]) << "channels differ at " << i;
  const size_t skip = 2048 * ch;  // past the encoder's start-up
  const double at1k = tonePower(pcm, skip, ch, 1000, f.outRate);
  for (double other : {500.0, 800.0, 1200.0, 2000.0, 3000.0})
    EXPECT_GT(at1k, 100 * tonePower(pcm, skip, ch, other, f.outRate)) << other << " Hz";
}

INSTANTIATE_TEST_SUITE_P(Formats, AudioDecodeFormat,
                         // rates without an AAC index are reached by resampling
                         ::testing::Values(Format{8000, 1, 8000, 1}, Format{8000, 2, 8000, 1},
                                           Format{0, 0, 8000, 1}, Format{10000, 1, 10000, 1},
                                           Format{11000, 2, 11000, 1}),
                         [](const ::testing::TestParamInfo<Format>& p) {
                           return std::to_string(p.param.rate) + "Hz_" + std::to_string(p.param.channels) + "ch";
                         });

TEST(AudioDecode, OutputLargerThanTheCapacityIsRefused) {
  const auto frames = splitAdts(readFile(sineAdts()));
  AudioDecoder dec(8000, 1);
  for (int capacity : {0, 2047}) {
    std::vector<uint8_t> small(static_cast<size_t>(std::max(capacity, 1)), 0xAB);
    int len = capacity;
    EXPECT_EQ(KVAudio_Decode(dec.handle(), frames[0].data(), static_cast<int>(frames[0].size()),
                             small.data(), &len),
              KV_MEDIA_ERR_CAPACITY);
    EXPECT_EQ(len, 0);
    EXPECT_TRUE(std::all_of(small.begin(), small.end(), [](uint8_t b) { return b == 0xAB; }));
  }
  std::vector<uint8_t> exact(2048);
  int len = 2048;
  EXPECT_EQ(KVAudio_Decode(dec.handle(), frames[1].data(), static_cast<int>(frames[1].size()),
                           exact.data(), &len),
            2048);
}

TEST(AudioDecode, MalformedFramesAreRefused) {
  const Bytes good = splitAdts(readFile(sineAdts()))[3];
  Bytes noSync = good;
  noSync[0] = 0x12;
  const Bytes truncated(good.begin(), good.end() - 5);  // header claims more than given
  Bytes damaged = good;
  for (size_t i = 7; i < damaged.size(); ++i) damaged[i] = static_cast<uint8_t>(0x5A ^ i);
  const Bytes tiny(good.begin(), good.begin() + 6);
  AudioDecoder dec(8000, 1);
  std::vector<uint8_t> out(kCapacity);
  for (const Bytes* b : std::vector<const Bytes*>{&noSync, &truncated, &tiny, &damaged}) {
    int len = kCapacity;
    EXPECT_LT(KVAudio_Decode(dec.handle(), b->data(), static_cast<int>(b->size()), out.data(), &len), 0);
    EXPECT_EQ(len, 0);
  }
  int len = kCapacity;
  EXPECT_GT(KVAudio_Decode(dec.handle(), good.data(), static_cast<int>(good.size()), out.data(), &len), 0);
}

TEST(AudioDecodeInterface, CreateDestroyAndArguments) {
  void* h = reinterpret_cast<void*>(1);
  EXPECT_EQ(KVAudio_Create(5, 8000, 1, &h), KV_MEDIA_ERR_UNSUPPORTED);
  EXPECT_EQ(h, nullptr);
  EXPECT_EQ(KVAudio_Create(AUDIO_CODE_TYPE_AAC, 8000, 1, nullptr), KV_MEDIA_ERR_ARG);
  EXPECT_EQ(KVAudio_Create(AUDIO_CODE_TYPE_AAC, 400000, 1, &h), KV_MEDIA_ERR_ARG);
  ASSERT_EQ(KVAudio_Create(AUDIO_CODE_TYPE_AAC, 8000, 1, &h), KV_MEDIA_OK);
  const Bytes good = splitAdts(readFile(sineAdts()))[0];
  std::vector<uint8_t> out(kCapacity);
  const int n = static_cast<int>(good.size());
  int len = kCapacity;
  EXPECT_EQ(KVAudio_Decode(nullptr, good.data(), n, out.data(), &len), KV_MEDIA_ERR_ARG);
  len = kCapacity;
  EXPECT_EQ(KVAudio_Decode(h, nullptr, n, out.data(), &len), KV_MEDIA_ERR_ARG);
  len = kCapacity;
  EXPECT_EQ(KVAudio_Decode(h, good.data(), 0, out.data(), &len), KV_MEDIA_ERR_ARG);
  len = kCapacity;
  EXPECT_EQ(KVAudio_Decode(h, good.data(), n, nullptr, &len), KV_MEDIA_ERR_ARG);
  len = -1;
  EXPECT_EQ(KVAudio_Decode(h, good.data(), n, out.data(), &len), KV_MEDIA_ERR_ARG);
  EXPECT_EQ(len, 0);
  EXPECT_EQ(KVAudio_Decode(h, good.data(), n, out.data(), nullptr), KV_MEDIA_ERR_ARG);
  EXPECT_EQ(KVAudio_Destroy(&h), KV_MEDIA_OK);
  EXPECT_EQ(h, nullptr);
  EXPECT_EQ(KVAudio_Destroy(nullptr), KV_MEDIA_ERR_ARG);
}

}  // namespace
