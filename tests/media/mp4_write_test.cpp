// KV_MP4 files checked by ffprobe / ffmpeg: tracks, sizes, timing, frame
// counts and decoded pictures as written, also for a writer never closed.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <map>
#include <sstream>

#include "KV_MP4.h"
#include "media_assets.h"
#include "scoped_umask.h"

using namespace media_assets;

namespace {

constexpr uint32_t kStart = 0xFFFFFFFFu - 1500;  // the 32-bit clock wraps 1.5 s in
constexpr uint32_t kVideoStepMs = 40;
constexpr uint32_t kAudioStepMs = 128;  // 1024 samples at 8 kHz

TestStream recordingStream(VideoCodec c) {
  return c == VideoCodec::H264
             ? TestStream{"rec_h264", c, 320, 240, "yuv420p", "yuv420p", 75, 25}
             : TestStream{"rec_h265", c, 320, 240, "yuv420p", "yuv420p", 75, 25};
}

std::vector<Bytes> audioFrames() {
  return splitAdts(readFile(ffmpegAsset(
      "rec_sine_8000.aac",
      "-f lavfi -i sine=frequency=440:sample_rate=8000:duration=3 -ac 1 -c:a aac -f adts")));
}

int codecId(VideoCodec c) { return c == VideoCodec::H264 ? E_CODECID_VIDEO_H264 : E_CODECID_VIDEO_H265; }

std::string outPath(const std::string& name) {
  mkdir("mp4_out", 0755);
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string test = std::string(info->test_suite_name()) + "_" + info->name();
  for (char& ch : test)
    if (ch == '/') ch = '_';
  const std::string p = "mp4_out/" + test + "_" + name;
  unlink(p.c_str());
  return p;
}

bool exists(const std::string& p) {
  struct stat st {};
  return stat(p.c_str(), &st) == 0;
}

class Writer {
 public:
  Writer() { KVMP4_Create(&h_); }
  ~Writer() { KVMP4_Destroy(&h_); }
  Writer(const Writer&) = delete;
  Writer& operator=(const Writer&) = delete;
  void* h() const { return h_; }
  int open(const std::string& path, VideoCodec c, int w = 320, int h = 240, int rate = 8000,
           int channels = 1) {
    return KVMP4_Open(h_, path.c_str(), w, h, codecId(c), rate, channels, E_CODECID_AUDIO_AAC, 0);
  }
  int video(const Bytes& au, uint32_t ts, bool key) {
    return KVMP4_WriteVideo(h_, au.data(), 0, static_cast<int>(au.size()), ts, key ? 1 : 0);
  }
  int audio(const Bytes& f, uint32_t ts) {
    return KVMP4_WriteAudio(h_, f.data(), 0, static_cast<int>(f.size()), ts);
  }

 private:
  void* h_ = nullptr;
};

struct Written {
  int video = 0;
  int audio = 0;
};

// ADTS frames and the milliseconds between them.
struct AudioFeed {
  std::vector<Bytes> frames;
  uint32_t stepMs;
};
AudioFeed defaultAudio() { return {audioFrames(), kAudioStepMs}; }

// Writes `count` access units (40 ms apart, from `first`) and the audio frames
// that fall before the last of them, interleaved by time as a camera delivers
// them. `stamp` may override a video timestamp.
template <typename Stamp>
Written writeInterleaved(Writer& w, const std::vector<Bytes>& aus, VideoCodec c, size_t first,
                         size_t count, Stamp stamp, const AudioFeed& audio = defaultAudio()) {
  Written n;
  size_t a = 0;
  for (size_t i = first; i < first + count; ++i) {
    const uint32_t videoOffset = static_cast<uint32_t>(i - first) * kVideoStepMs;
    const uint32_t tv = kStart + videoOffset;  // wraps
    while (a < audio.frames.size() && a * audio.stepMs < videoOffset) {
      EXPECT_EQ(w.audio(audio.frames[a], kStart + static_cast<uint32_t>(a) * audio.stepMs), 0) << "audio " << a;
      ++a;
      ++n.audio;
    }
    EXPECT_GE(w.video(aus[i], stamp(i - first, tv), isKeyFrame(aus[i], c)), 0) << "video " << i;
    ++n.video;
  }
  return n;
}

Written writeInterleaved(Writer& w, const std::vector<Bytes>& aus, VideoCodec c, size_t first, size_t count,
                         const AudioFeed& audio = defaultAudio()) {
  return writeInterleaved(w, aus, c, first, count, [](size_t, uint32_t tv) { return tv; }, audio);
}

// ffprobe's view of a file as "streams_stream_0_codec_name" -> "h264" etc.
std::map<std::string, std::string> probe(const std::string& path) {
  const CommandResult r = run(
      "ffprobe -v error -count_frames -show_entries "
      "stream=codec_type,codec_name,width,height,sample_rate,channels,nb_read_frames,duration:"
      "format=start_time,duration,nb_streams -of flat=s=_ " + quoted(path));
  std::map<std::string, std::string> m;
  std::istringstream in(r.output);
  std::string line;
  while (std::getline(in, line)) {
    const size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    std::string v = line.substr(eq + 1);
    if (v.size() >= 2 && v.front() == '"') v = v.substr(1, v.size() - 2);
    m[line.substr(0, eq)] = v;
  }
  m["exit"] = std::to_string(r.exitCode);
  return m;
}

// What ffmpeg complains about while decoding the whole file.
std::string decodeErrors(const std::string& path, const std::string& outputOptions = "") {
  const CommandResult r =
      run("ffmpeg -nostdin -v error -i " + quoted(path) + " " + outputOptions + " -f null -");
  return r.output + (r.exitCode ? " exit " + std::to_string(r.exitCode) : "");
}

std::vector<std::string> videoPacketFields(const std::string& path, const char* field) {
  const CommandResult r = run("ffprobe -v error -select_streams v:0 -show_entries packet=" +
                              std::string(field) + " -of csv=p=0 " + quoted(path));
  std::vector<std::string> v;
  std::istringstream in(r.output);
  std::string line;
  while (std::getline(in, line))
    if (!line.empty()) v.push_back(line);
  return v;
}

void expectPlayable(const std::string& path, int videoFrames, const std::string& decodeOptions = "") {
  auto p = probe(path);
  EXPECT_EQ(p["exit"], "0");
  EXPECT_EQ(p["streams_stream_0_nb_read_frames"], std::to_string(videoFrames));
  EXPECT_EQ(decodeErrors(path, decodeOptions), "");
  const auto flags = videoPacketFields(path, "flags");
  ASSERT_FALSE(flags.empty());
  EXPECT_EQ(flags[0][0], 'K') << "first video packet is not a key frame";
}

// The key picture's slices of an access unit, without the NAL units before
// them (delimiter, parameter sets, SEI).
Bytes keySlicesOnly(const Bytes& au, VideoCodec c) {
  for (size_t i = 0; i + 3 < au.size(); ++i) {
    if (au[i] != 0 || au[i + 1] != 0 || au[i + 2] != 1) continue;
    const int type = c == VideoCodec::H264 ? (au[i + 3] & 0x1f) : ((au[i + 3] >> 1) & 0x3f);
    const bool keySlice = c == VideoCodec::H264 ? type == 5 : (type >= 16 && type <= 21);
    if (keySlice) {
      Bytes b = {0, 0, 0, 1};
      b.insert(b.end(), au.begin() + static_cast<ptrdiff_t>(i + 3), au.end());
      return b;
    }
  }
  return {};
}

class Mp4Write : public ::testing::TestWithParam<VideoCodec> {
 protected:
  TestStream recording() const { return recordingStream(GetParam()); }
  std::vector<Bytes> aus() const { return splitAccessUnits(readFile(streamFile(recording())), GetParam()); }
};

TEST_P(Mp4Write, FileHoldsBothTracksAsWritten) {
  const VideoCodec c = GetParam();
  const auto units = aus();
  ASSERT_EQ(units.size(), 75u);
  // a name as the recorder makes it: blanks and colons
  const std::string path = outPath("rec 2026-12-10 10:00:00.mp4");
  Written n;
  {
    Writer w;
    ASSERT_EQ(w.open(path, c), 0);
    n = writeInterleaved(w, units, c, 0, units.size());
    EXPECT_EQ(KVMP4_Close(w.h()), 0);
  }
  auto p = probe(path);
  EXPECT_EQ(p["exit"], "0");
  EXPECT_EQ(p["format_nb_streams"], "2");
  EXPECT_EQ(p["streams_stream_0_codec_type"], "video");
  EXPECT_EQ(p["streams_stream_0_codec_name"], c == VideoCodec::H264 ? "h264" : "hevc");
  EXPECT_EQ(p["streams_stream_0_width"], "320");
  EXPECT_EQ(p["streams_stream_0_height"], "240");
  EXPECT_EQ(p["streams_stream_0_nb_read_frames"], "75");
  EXPECT_EQ(p["streams_stream_0_duration"], "3.000000");
  EXPECT_EQ(p["streams_stream_1_codec_type"], "audio");
  EXPECT_EQ(p["streams_stream_1_codec_name"], "aac");
  EXPECT_EQ(p["streams_stream_1_sample_rate"], "8000");
  EXPECT_EQ(p["streams_stream_1_channels"], "1");
  EXPECT_EQ(n.audio, 24);  // 0 .. 2944 ms, across the wrap
  EXPECT_EQ(p["streams_stream_1_nb_read_frames"], std::to_string(n.audio));
  char audioDuration[32];
  snprintf(audioDuration, sizeof audioDuration, "%.6f", n.audio * kAudioStepMs / 1000.0);
  EXPECT_EQ(p["streams_stream_1_duration"], audioDuration);
  EXPECT_EQ(p["format_start_time"], "0.000000");
  EXPECT_EQ(decodeErrors(path), "");
  const auto flags = videoPacketFields(path, "flags");
  ASSERT_EQ(flags.size(), 75u);
  EXPECT_EQ(flags[0][0], 'K');
  EXPECT_EQ(flags[25][0], 'K');
  EXPECT_EQ(flags[1][0], '_');
  // the pictures are those of the stream itself
  const std::string yuv = path + ".yuv";
  ASSERT_EQ(run("ffmpeg -nostdin -v error -y -i " + quoted(path) +
                " -map 0:v -fps_mode passthrough -f rawvideo -pix_fmt yuv420p " + quoted(yuv))
                .exitCode,
            0);
  EXPECT_TRUE(readFile(yuv) == referencePictures(recording())) << "decoded pictures differ";
}

TEST_P(Mp4Write, SizeComesFromTheParameterSets) {
  const VideoCodec c = GetParam();
  const auto units = aus();
  const struct {
    int w, h;
  } announced[] = {{0, 0}, {640, 480}, {-1, 240}};
  for (const auto& a : announced) {
    const std::string path = outPath("size" + std::to_string(a.w) + ".mp4");
    {
      Writer w;
      ASSERT_EQ(w.open(path, c, a.w, a.h), 0);
      writeInterleaved(w, units, c, 0, 30);
    }  // destroyed without Close: the file is still finished
    auto p = probe(path);
    EXPECT_EQ(p["streams_stream_0_width"], "320") << a.w;
    EXPECT_EQ(p["streams_stream_0_height"], "240") << a.w;
    expectPlayable(path, 30);
  }
}

TEST_P(Mp4Write, NothingIsWrittenBeforeAKeyFrameWithParameterSets) {
  const VideoCodec c = GetParam();
  const auto units = aus();
  const auto audio = audioFrames();
  const std::string path = outPath("refusals.mp4");
  Writer w;
  EXPECT_EQ(w.video(units[0], kStart, true), KV_MEDIA_ERR_STATE) << "not open";
  EXPECT_EQ(w.audio(audio[0], kStart), KV_MEDIA_ERR_STATE) << "not open";
  ASSERT_EQ(w.open(path, c), 0);
  EXPECT_EQ(w.open(path, c), KV_MEDIA_ERR_STATE) << "already open";
  EXPECT_EQ(w.video(units[5], kStart, false), KV_MEDIA_ERR_STATE) << "non-key first frame";
  EXPECT_EQ(w.audio(audio[0], kStart), KV_MEDIA_ERR_STATE) << "audio before the first key frame";
  // a key frame whose parameter sets were lost
  const Bytes slicesOnly = keySlicesOnly(units[0], c);
  ASSERT_FALSE(slicesOnly.empty());
  EXPECT_EQ(w.video(slicesOnly, kStart, true), KV_MEDIA_ERR_DATA);
  // the recording starts with the next complete key frame
  writeInterleaved(w, units, c, 25, 50);
  EXPECT_EQ(KVMP4_Close(w.h()), 0);
  expectPlayable(path, 50);
}

TEST_P(Mp4Write, RepeatedAndBackwardTimestampsKeepEveryFrame) {
  const VideoCodec c = GetParam();
  const auto units = aus();
  const std::string path = outPath("disorder.mp4");
  {
    Writer w;
    ASSERT_EQ(w.open(path, c), 0);
    writeInterleaved(w, units, c, 0, 50, [](size_t i, uint32_t tv) {
      if (i == 11) return tv - kVideoStepMs;  // same as the previous frame
      if (i >= 30) return tv - 900;           // the sender's clock stepped back
      return tv;
    });
    EXPECT_EQ(KVMP4_Close(w.h()), 0);
  }
  // frames only 1 ms apart would share a tick of ffmpeg's default 1/25 s
  // output clock, so decode on the file's own time base
  expectPlayable(path, 50, "-enc_time_base:v -1");
  const auto dts = videoPacketFields(path, "dts_time");
  ASSERT_EQ(dts.size(), 50u);
  for (size_t i = 1; i < dts.size(); ++i) EXPECT_LT(std::stod(dts[i - 1]), std::stod(dts[i])) << i;
}

// Records `count` units with `audio` in a child process that dies without
// closing the writer, then checks what is on disk.
void expectCrashKeeps(const std::string& path, VideoCodec c, const std::vector<Bytes>& units, size_t count,
                      int width, int height, const AudioFeed& audio, int minFrames) {
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    Writer* w = new Writer;  // never destroyed: the process dies mid-recording
    if (w->open(path, c, width, height) != 0) _exit(2);
    writeInterleaved(*w, units, c, 0, count, audio);
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  auto p = probe(path);
  EXPECT_EQ(p["exit"], "0");
  EXPECT_GE(std::stoi("0" + p["streams_stream_0_nb_read_frames"]), minFrames);
  EXPECT_EQ(decodeErrors(path), "");
  EXPECT_EQ(videoPacketFields(path, "flags").at(0)[0], 'K');
}

TEST_P(Mp4Write, WriterNeverClosedLeavesAPlayableFile) {
  // key frames at 0, 25, 50: everything before the last one is on disk
  expectCrashKeeps(outPath("crash.mp4"), GetParam(), aus(), 60, 320, 240, defaultAudio(), 50);
}

Bytes fromHex(const std::string& hex) {
  Bytes b;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) b.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return b;
}

// Damaged parameter sets in front of a key frame: H.265 VPS+SPS+PPS that once
// kept the muxer busy for minutes (while the caller held its record lock),
// and an H.264 key frame whose SPS was overwritten.
TEST_P(Mp4Write, KeyFrameWithDamagedParameterSetsIsRefusedAtOnce) {
  const VideoCodec c = GetParam();
  const auto units = aus();
  Bytes damaged;
  if (c == VideoCodec::H265) {
    damaged = fromHex(
        "0000000140016e540a357b702e493fd9e859d738185298886800000001420103523d6430c35f9efead8d551a3da73740"
        "439228fb4ce4ccb16a0db2c775ffcd9cd81bf6294cc3540aa7ebe83e14826d61d42b41dd1f1c5351c785873df03f5000"
        "00000144019bda524f");
  } else {
    damaged = units[0];
    for (size_t i = 0; i + 4 < damaged.size(); ++i) {
      if (damaged[i] == 0 && damaged[i + 1] == 0 && damaged[i + 2] == 1 && (damaged[i + 3] & 0x1f) == 7) {
        for (size_t k = i + 7; k < i + 12 && k < damaged.size(); ++k) damaged[k] = 0xFF;  // past profile and level
        break;
      }
    }
    ASSERT_NE(damaged, units[0]);
  }
  const std::string path = outPath("damaged.mp4");
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    alarm(20);  // a stuck write ends the child by signal
    Writer w;
    if (w.open(path, c) != 0) _exit(2);
    if (w.video(damaged, kStart, true) != KV_MEDIA_ERR_DATA) _exit(3);
    writeInterleaved(w, units, c, 25, 50);  // the next good key frame starts the file
    _exit(KVMP4_Close(w.h()) == 0 ? 0 : 4);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_FALSE(WIFSIGNALED(status)) << "the damaged key frame kept the writer busy";
  ASSERT_EQ(WEXITSTATUS(status), 0) << "2: open failed, 3: damaged key frame not refused, 4: close failed";
  expectPlayable(path, 50);
}

TEST_P(Mp4Write, CrashLosesLittleEvenWithoutFurtherKeyFrames) {
  // one key frame, then 13 s of predicted pictures; audio alongside
  const VideoCodec c = GetParam();
  const TestStream s{c == VideoCodec::H264 ? "rec_h264_one_key" : "rec_h265_one_key", c, 160, 120, "yuv420p",
                     "yuv420p", 325, 1000};
  const auto units = splitAccessUnits(readFile(streamFile(s)), c);
  ASSERT_EQ(units.size(), 325u);
  AudioFeed audio = defaultAudio();
  while (audio.frames.size() < 110) audio.frames.push_back(audio.frames[audio.frames.size() % 20]);
  // fragments are cut every 10 s at the latest: at least 250 pictures survive
  expectCrashKeeps(outPath("one_key.mp4"), c, units, units.size(), 160, 120, audio, 250);
}

INSTANTIATE_TEST_SUITE_P(Codecs, Mp4Write, ::testing::Values(VideoCodec::H264, VideoCodec::H265),
                         [](const ::testing::TestParamInfo<VideoCodec>& p) {
                           return p.param == VideoCodec::H264 ? "H264" : "H265";
                         });

struct AudioFormat {
  int rate;
  int channels;
};

class Mp4AudioFormat : public ::testing::TestWithParam<AudioFormat> {};

// The frames carry the audio decode thread's fixed 8 kHz mono header; the
// track must take the rate and channels given to KVMP4_Open, or the sound
// plays at the wrong speed or not at all.
TEST_P(Mp4AudioFormat, TrackTakesTheOpenedFormatNotTheFrameHeaders) {
  const AudioFormat f = GetParam();
  const std::string name = "rec_sine_" + std::to_string(f.rate) + "_" + std::to_string(f.channels);
  const std::string source = ffmpegAsset(
      name + ".aac", "-f lavfi -i sine=frequency=440:sample_rate=" + std::to_string(f.rate) +
                         ":duration=3 -ac " + std::to_string(f.channels) + " -c:a aac -f adts");
  AudioFeed audio{splitAdts(readFile(source)), static_cast<uint32_t>(1024 * 1000 / f.rate)};
  for (Bytes& frame : audio.frames) frame = withClientHeader(frame);
  const auto units = splitAccessUnits(readFile(streamFile(recordingStream(VideoCodec::H264))), VideoCodec::H264);
  const std::string path = outPath(name + ".mp4");
  Written n;
  {
    Writer w;
    ASSERT_EQ(w.open(path, VideoCodec::H264, 320, 240, f.rate, f.channels), 0);
    n = writeInterleaved(w, units, VideoCodec::H264, 0, units.size(), audio);
    EXPECT_EQ(KVMP4_Close(w.h()), 0);
  }
  auto p = probe(path);
  EXPECT_EQ(p["streams_stream_1_sample_rate"], std::to_string(f.rate));
  EXPECT_EQ(p["streams_stream_1_channels"], std::to_string(f.channels));
  EXPECT_EQ(p["streams_stream_1_nb_read_frames"], std::to_string(n.audio));
  EXPECT_EQ(decodeErrors(path), "");
  // the recorded sound is the source's, sample for sample
  const std::string pcm = path + ".s16";
  ASSERT_EQ(run("ffmpeg -nostdin -v error -y -i " + quoted(path) + " -map 0:a -f s16le " + quoted(pcm)).exitCode, 0);
  const Bytes recorded = readFile(pcm);
  const Bytes reference = readFile(ffmpegAsset(name + ".s16", "-i " + quoted(source) + " -f s16le"));
  const size_t expected = static_cast<size_t>(n.audio) * 1024 * static_cast<size_t>(f.channels) * 2;
  ASSERT_EQ(recorded.size(), expected);
  ASSERT_GE(reference.size(), expected);
  EXPECT_TRUE(std::equal(recorded.begin(), recorded.end(), reference.begin()));
}

INSTANTIATE_TEST_SUITE_P(Formats, Mp4AudioFormat,
                         ::testing::Values(AudioFormat{16000, 1}, AudioFormat{8000, 2}, AudioFormat{44100, 2}),
                         [](const ::testing::TestParamInfo<AudioFormat>& p) {
                           return std::to_string(p.param.rate) + "Hz_" + std::to_string(p.param.channels) + "ch";
                         });

TEST(Mp4WriteInterface, OpenRefusesWhatCannotBeRecorded) {
  Writer w;
  const std::string path = outPath("open.mp4");
  EXPECT_EQ(KVMP4_Open(w.h(), nullptr, 320, 240, E_CODECID_VIDEO_H264, 8000, 1, 259, 0), KV_MEDIA_ERR_ARG);
  EXPECT_EQ(KVMP4_Open(w.h(), "", 320, 240, E_CODECID_VIDEO_H264, 8000, 1, 259, 0), KV_MEDIA_ERR_ARG);
  EXPECT_EQ(KVMP4_Open(w.h(), path.c_str(), 320, 240, 0, 8000, 1, 0, 0), KV_MEDIA_ERR_ARG) << "no track";
  EXPECT_EQ(KVMP4_Open(w.h(), path.c_str(), 320, 240, 7, 0, 0, 259, 0), KV_MEDIA_ERR_ARG)
      << "audio without a usable format and no video";
  EXPECT_EQ(KVMP4_Open(w.h(), "no_such_folder/x.mp4", 320, 240, 2, 8000, 1, 259, 0), KV_MEDIA_ERR_IO);
  EXPECT_FALSE(exists(path));
  EXPECT_EQ(KVMP4_Open(nullptr, path.c_str(), 320, 240, 2, 8000, 1, 259, 0), KV_MEDIA_ERR_ARG);
  EXPECT_EQ(KVMP4_Close(w.h()), KV_MEDIA_ERR_STATE) << "nothing open";
}

TEST(Mp4WriteInterface, FileWithoutAKeyFrameIsRemovedOnClose) {
  const std::string path = outPath("empty.mp4");
  Writer w;
  ASSERT_EQ(w.open(path, VideoCodec::H264), 0);
  EXPECT_TRUE(exists(path));
  EXPECT_EQ(KVMP4_Close(w.h()), KV_MEDIA_ERR_EMPTY) << "a removed file is no success";
  EXPECT_FALSE(exists(path));
  // the writer can record the next file
  const auto units = splitAccessUnits(readFile(streamFile(recordingStream(VideoCodec::H264))), VideoCodec::H264);
  const std::string next = outPath("next.mp4");
  ASSERT_EQ(w.open(next, VideoCodec::H264), 0);
  writeInterleaved(w, units, VideoCodec::H264, 0, 10);
  EXPECT_EQ(KVMP4_Close(w.h()), 0);
  expectPlayable(next, 10);
}

TEST(Mp4WriteInterface, CreateAndDestroy) {
  EXPECT_EQ(KVMP4_Create(nullptr), KV_MEDIA_ERR_ARG);
  void* h = nullptr;
  ASSERT_EQ(KVMP4_Create(&h), 0);
  EXPECT_NE(h, nullptr);
  EXPECT_EQ(KVMP4_Destroy(&h), 0);
  EXPECT_EQ(h, nullptr);
  EXPECT_EQ(KVMP4_Destroy(nullptr), KV_MEDIA_ERR_ARG);
  const uint8_t b[8] = {};
  EXPECT_EQ(KVMP4_WriteVideo(nullptr, b, 0, 8, 0, 1), KV_MEDIA_ERR_ARG);
  EXPECT_EQ(KVMP4_WriteAudio(nullptr, b, 0, 8, 0), KV_MEDIA_ERR_ARG);
  EXPECT_EQ(KVMP4_Close(nullptr), KV_MEDIA_ERR_ARG);
}

TEST(Mp4WriteInterface, VideoOnlyWhenTheSoundCannotBeDescribed) {
  // no audio frame seen yet (codec 0), or no stream parameters yet (rate 0)
  const struct {
    int rate, channels, codec;
  } cases[] = {{8000, 1, 0}, {0, 0, E_CODECID_AUDIO_AAC}, {8000, 9, E_CODECID_AUDIO_AAC}};
  const auto units = splitAccessUnits(readFile(streamFile(recordingStream(VideoCodec::H264))), VideoCodec::H264);
  const Bytes adts = audioFrames()[0];
  for (const auto& c : cases) {
    const std::string path = outPath("video_only_" + std::to_string(c.rate) + "_" + std::to_string(c.codec) + ".mp4");
    {
      Writer w;
      ASSERT_EQ(KVMP4_Open(w.h(), path.c_str(), 320, 240, E_CODECID_VIDEO_H264, c.rate, c.channels, c.codec, 0), 0);
      for (size_t i = 0; i < 30; ++i) {
        ASSERT_EQ(w.video(units[i], kStart + static_cast<uint32_t>(i) * kVideoStepMs, isKeyFrame(units[i], VideoCodec::H264)), 0);
        EXPECT_EQ(w.audio(adts, kStart + static_cast<uint32_t>(i) * kVideoStepMs), KV_MEDIA_ERR_STATE);
      }
      EXPECT_EQ(KVMP4_Close(w.h()), 0);
    }
    EXPECT_EQ(probe(path)["format_nb_streams"], "1") << path;
    expectPlayable(path, 30);
  }
}

TEST(Mp4WriteInterface, AudioOnlyRecording) {
  const std::string path = outPath("audio.mp4");
  const auto audio = audioFrames();
  {
    Writer w;
    ASSERT_EQ(KVMP4_Open(w.h(), path.c_str(), 0, 0, 0, 8000, 1, E_CODECID_AUDIO_AAC, 0), 0);
    EXPECT_EQ(w.video(audio[0], kStart, true), KV_MEDIA_ERR_STATE) << "no video track";
    for (size_t a = 0; a < audio.size(); ++a)
      EXPECT_EQ(w.audio(audio[a], kStart + static_cast<uint32_t>(a) * kAudioStepMs), 0);
    EXPECT_EQ(KVMP4_Close(w.h()), 0);
  }
  auto p = probe(path);
  EXPECT_EQ(p["format_nb_streams"], "1");
  EXPECT_EQ(p["streams_stream_0_codec_name"], "aac");
  EXPECT_EQ(p["streams_stream_0_nb_read_frames"], std::to_string(audio.size()));
  EXPECT_EQ(p["format_start_time"], "0.000000");
  EXPECT_EQ(decodeErrors(path), "");
}

}  // namespace

// A recording is the user's alone: its file is 0600 whatever the umask,
// from its first moment on.
TEST(Mp4WriteInterface, TheFileIsPrivateWhateverTheUmask) {
  const auto units = splitAccessUnits(readFile(streamFile(recordingStream(VideoCodec::H264))), VideoCodec::H264);
  const struct {
    const char* name;
    mode_t mask;
  } cases[] = {{"umask022", 022}, {"umask000", 0}};
  for (const auto& c : cases) {
    const std::string path = outPath(std::string(c.name) + ".mp4");
    {
      testsupport::ScopedUmask mask(c.mask);
      Writer w;
      EXPECT_EQ(w.open(path, VideoCodec::H264), 0) << c.name;
      struct stat st {};
      ASSERT_EQ(stat(path.c_str(), &st), 0) << c.name;
      EXPECT_EQ(st.st_mode & 07777, 0600u) << c.name << " while it is written";
      writeInterleaved(w, units, VideoCodec::H264, 0, 10);
      EXPECT_EQ(KVMP4_Close(w.h()), 0);
    }
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0) << c.name;
    EXPECT_EQ(st.st_mode & 07777, 0600u) << c.name;
    expectPlayable(path, 10);
  }
}

// Whatever has the file's name already is left as it is: an older file
// open to others, a symbolic link to a file (whose target keeps
// its bytes), a dangling link (nothing is made where it points) and a link
// to a folder. The open says EEXIST, and the writer opens another name.
TEST(Mp4WriteInterface, ANameThatExistsIsNeverWrittenThrough) {
  const auto units = splitAccessUnits(readFile(streamFile(recordingStream(VideoCodec::H264))), VideoCodec::H264);
  enum class Kind { OlderFile, LinkToFile, DanglingLink, LinkToFolder };
  const struct {
    const char* name;
    Kind kind;
  } cases[] = {{"older", Kind::OlderFile},
               {"link", Kind::LinkToFile},
               {"dangling", Kind::DanglingLink},
               {"folderlink", Kind::LinkToFolder}};
  const std::string kept = "an older file";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = outPath(std::string(c.name) + ".mp4");
    const std::string target = outPath(std::string(c.name) + "_target");
    rmdir(target.c_str());
    switch (c.kind) {
      case Kind::OlderFile:
      case Kind::LinkToFile: {
        const std::string file = c.kind == Kind::OlderFile ? path : target;
        FILE* older = fopen(file.c_str(), "w");
        ASSERT_NE(older, nullptr);
        fputs(kept.c_str(), older);
        fclose(older);
        ASSERT_EQ(chmod(file.c_str(), 0666), 0);
        if (c.kind == Kind::LinkToFile) {
          ASSERT_EQ(symlink(target.c_str(), path.c_str()), 0);
        }
        break;
      }
      case Kind::DanglingLink:
        ASSERT_EQ(symlink(target.c_str(), path.c_str()), 0);
        break;
      case Kind::LinkToFolder:
        ASSERT_EQ(mkdir(target.c_str(), 0755), 0);
        ASSERT_EQ(symlink(target.c_str(), path.c_str()), 0);
        break;
    }
    testsupport::ScopedUmask mask(0);
    Writer w;
    errno = 0;
    EXPECT_EQ(w.open(path, VideoCodec::H264), KV_MEDIA_ERR_IO);
    EXPECT_EQ(errno, EEXIST);
    EXPECT_EQ(KVMP4_Close(w.h()), KV_MEDIA_ERR_STATE);  // nothing was opened
    struct stat st {};
    switch (c.kind) {
      case Kind::OlderFile:
      case Kind::LinkToFile: {
        const std::string file = c.kind == Kind::OlderFile ? path : target;
        ASSERT_EQ(stat(file.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0666u);
        const Bytes bytes = readFile(file);
        EXPECT_EQ(std::string(bytes.begin(), bytes.end()), kept);
        break;
      }
      case Kind::DanglingLink:
        EXPECT_NE(lstat(target.c_str(), &st), 0) << "a file was made where the link points";
        break;
      case Kind::LinkToFolder:
        ASSERT_EQ(stat(target.c_str(), &st), 0);
        EXPECT_TRUE(S_ISDIR(st.st_mode));
        break;
    }
    if (c.kind != Kind::OlderFile) {
      ASSERT_EQ(lstat(path.c_str(), &st), 0);
      EXPECT_TRUE(S_ISLNK(st.st_mode)) << "the link was replaced";
    }
    // Another name records as usual.
    const std::string other = outPath(std::string(c.name) + "-2.mp4");
    EXPECT_EQ(w.open(other, VideoCodec::H264), 0);
    writeInterleaved(w, units, VideoCodec::H264, 0, 10);
    EXPECT_EQ(KVMP4_Close(w.h()), 0);
    expectPlayable(other, 10);
  }
}
