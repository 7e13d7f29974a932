// KV_MP4 as a recording meets it: the camera's time stamps become the
// file's from the first key frame on (whatever their size, across the
// 32-bit wrap) without a word from FFmpeg's muxer; a full disk is reported
// (errno says why) and leaves a file that plays up to its last whole
// fragment. Checked with ffprobe / ffmpeg.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <sstream>

#include "KV_MP4.h"
#include "media_assets.h"
#include "small_disk.h"

using namespace media_assets;

namespace {

const TestStream kStream{"rec_h264", VideoCodec::H264, 320, 240, "yuv420p", "yuv420p", 75, 25};

std::vector<Bytes> videoUnits() { return splitAccessUnits(readFile(streamFile(kStream)), VideoCodec::H264); }

std::vector<Bytes> soundFrames() {
  return splitAdts(readFile(ffmpegAsset(
      "rec_sine_8000.aac",
      "-f lavfi -i sine=frequency=440:sample_rate=8000:duration=3 -ac 1 -c:a aac -f adts")));
}

// What the process writes to its standard error meanwhile (FFmpeg logs there).
class StderrCapture {
 public:
  StderrCapture() : file_(std::tmpfile()) {
    std::fflush(stderr);
    saved_ = dup(STDERR_FILENO);
    if (file_) dup2(fileno(file_), STDERR_FILENO);
  }
  ~StderrCapture() { take(); }
  std::string take() {
    if (saved_ < 0) return text_;
    std::fflush(stderr);
    dup2(saved_, STDERR_FILENO);
    close(saved_);
    saved_ = -1;
    if (!file_) return text_;
    std::rewind(file_);
    char buf[4096];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, file_)) > 0;) text_.append(buf, n);
    std::fclose(file_);
    file_ = nullptr;
    return text_;
  }

 private:
  std::FILE* file_;
  int saved_ = -1;
  std::string text_;
};

class Recorder {
 public:
  Recorder() { KVMP4_Create(&h_); }
  ~Recorder() { KVMP4_Destroy(&h_); }
  Recorder(const Recorder&) = delete;
  Recorder& operator=(const Recorder&) = delete;
  int open(const std::string& path) {
    return KVMP4_Open(h_, path.c_str(), 320, 240, E_CODECID_VIDEO_H264, 8000, 1, E_CODECID_AUDIO_AAC, 0);
  }
  int video(const Bytes& au, uint32_t ts) {
    return KVMP4_WriteVideo(h_, au.data(), 0, int(au.size()), ts, isKeyFrame(au, VideoCodec::H264) ? 1 : 0);
  }
  int audio(const Bytes& frame, uint32_t ts) {
    return KVMP4_WriteAudio(h_, frame.data(), 0, int(frame.size()), ts);
  }
  int close() { return KVMP4_Close(h_); }

 private:
  void* h_ = nullptr;
};

std::string outFile(const std::string& name) {
  mkdir("mp4_out", 0755);
  const std::string p = "mp4_out/outcome_" + name + ".mp4";
  unlink(p.c_str());
  return p;
}

// pts_time of every packet of one stream ("v" or "a"), in file order.
std::vector<double> packetTimes(const std::string& path, const char* stream) {
  const CommandResult r = run("ffprobe -v error -select_streams " + std::string(stream) +
                              " -show_entries packet=pts_time -of csv=p=0 " + quoted(path));
  std::vector<double> t;
  std::istringstream in(r.output);
  for (std::string line; std::getline(in, line);)
    if (!line.empty()) t.push_back(std::stod(line));
  return t;
}

struct StampCase {
  const char* name;
  uint32_t keyStamp;  // the camera's stamp of the first key frame (low 32 bits)
};

class Mp4Stamps : public ::testing::TestWithParam<StampCase> {};

// The camera's sound runs a little behind its pictures: the first sound
// after the key frame is stamped 46 ms later, one before it is stamped
// 20 ms earlier and arrives after it.
TEST_P(Mp4Stamps, FileTimesAreTheCamerasFromTheFirstKeyFrameWithoutMuxerWarnings) {
  const StampCase c = GetParam();
  const auto units = videoUnits();
  const auto sound = soundFrames();
  ASSERT_GE(units.size(), 50u);
  const std::string path = outFile(c.name);
  std::string warnings;
  {
    Recorder w;
    ASSERT_EQ(w.open(path), 0);
    StderrCapture err;
    ASSERT_EQ(w.video(units[0], c.keyStamp), 0);
    EXPECT_EQ(w.audio(sound[0], c.keyStamp - 20), KV_MEDIA_ERR_STATE) << "sound before the key frame";
    size_t a = 1;
    for (uint32_t i = 1; i < 50; ++i) {
      const uint32_t videoAt = i * 40;
      for (; a < sound.size() && 46 + (a - 1) * 128 < videoAt; ++a)
        EXPECT_EQ(w.audio(sound[a], c.keyStamp + 46 + uint32_t(a - 1) * 128), 0) << "sound " << a;
      EXPECT_EQ(w.video(units[i], c.keyStamp + videoAt), 0) << "picture " << i;
    }
    EXPECT_EQ(w.close(), 0);
    warnings = err.take();
  }
  EXPECT_EQ(warnings, "") << "the muxer spoke while writing";
  const std::vector<double> video = packetTimes(path, "v");
  ASSERT_EQ(video.size(), 50u);
  for (size_t i = 0; i < video.size(); ++i) EXPECT_NEAR(video[i], 0.040 * double(i), 1e-6) << "picture " << i;
  const std::vector<double> audio = packetTimes(path, "a");
  ASSERT_FALSE(audio.empty());
  EXPECT_NEAR(audio[0], 0.046, 1e-3);
  for (size_t i = 1; i < audio.size(); ++i) EXPECT_NEAR(audio[i] - audio[i - 1], 0.128, 1e-3) << "sound " << i;
  const CommandResult probe = run("ffprobe -v warning -show_packets " + quoted(path) + " >/dev/null");
  EXPECT_EQ(probe.output, "") << "ffprobe complains about the file";
}

INSTANTIATE_TEST_SUITE_P(
    Clocks, Mp4Stamps,
    ::testing::Values(StampCase{"Small", 1000},
                      // wraps within the first pictures of the file
                      StampCase{"WrapsInside", 0xFFFFFFFFu - 100},
                      // milliseconds since the Unix epoch, as some cameras stamp
                      StampCase{"UnixEpochMilliseconds", uint32_t(1800000000123ull)}),
    [](const ::testing::TestParamInfo<StampCase>& p) { return std::string(p.param.name); });

TEST(Mp4Outcome, CloseSaysWhenItRemovedAFileWithoutPictures) {
  const std::string path = outFile("no_key_frame");
  Recorder w;
  ASSERT_EQ(w.open(path), 0);
  EXPECT_EQ(w.audio(soundFrames()[0], 1000), KV_MEDIA_ERR_STATE);
  EXPECT_EQ(w.close(), KV_MEDIA_ERR_EMPTY);
  struct stat st {};
  EXPECT_NE(stat(path.c_str(), &st), 0) << "the empty file is still there";
}

// The record folder on a file system with little room left: the first
// write that does not reach the disk fails with ENOSPC, so does every one
// after it and the close; what was written before plays without a flaw.
TEST(Mp4Outcome, AFullDiskFailsTheWriteAndLeavesAPlayableFile) {
  char folder[] = "/tmp/mp4_full_disk_XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  ASSERT_EQ(testsupport::mountSmallDisk(folder, 3u << 20), "");
  ASSERT_EQ(testsupport::fillDisk(folder, "filler", 256u << 10), "");
  const std::string path = std::string(folder) + "/full.mp4";
  const auto units = videoUnits();
  const auto sound = soundFrames();
  Recorder w;
  ASSERT_EQ(w.open(path), 0);
  int failedAt = -1, failure = 0, failureErrno = 0;
  size_t a = 0;
  for (int i = 0; i < 20000 && failedAt < 0; ++i) {
    const uint32_t at = 1000 + uint32_t(i) * 40;
    for (; a * 128 < uint32_t(i) * 40 && failedAt < 0; ++a) {
      errno = 0;
      const int r = w.audio(sound[a % sound.size()], 1000 + uint32_t(a) * 128);
      if (r < 0) failedAt = i, failure = r, failureErrno = errno;
    }
    if (failedAt >= 0) break;
    errno = 0;
    const int r = w.video(units[size_t(i) % units.size()], at);
    if (r < 0) failedAt = i, failure = r, failureErrno = errno;
  }
  ASSERT_GE(failedAt, 0) << "the disk never filled";
  std::printf("[ figure ] the first failed write came with picture %d\n", failedAt);
  EXPECT_EQ(failure, KV_MEDIA_ERR_IO);
  EXPECT_EQ(failureErrno, ENOSPC) << std::strerror(failureErrno);
  EXPECT_EQ(w.video(units[0], 900000), KV_MEDIA_ERR_IO) << "a failed writer takes nothing more";
  errno = 0;
  EXPECT_EQ(w.close(), KV_MEDIA_ERR_IO);
  EXPECT_EQ(errno, ENOSPC);
  const CommandResult frames = run("ffprobe -v warning -count_frames -select_streams v:0 -show_entries "
                                   "stream=nb_read_frames -of csv=p=0 " + quoted(path));
  ASSERT_EQ(frames.exitCode, 0) << frames.output;
  EXPECT_EQ(frames.output.find("partial file"), std::string::npos) << frames.output;
  EXPECT_GE(std::atoi(frames.output.c_str()), 25) << frames.output;
  const CommandResult decode = run("ffmpeg -nostdin -v error -i " + quoted(path) + " -f null -");
  EXPECT_EQ(decode.output, "");
  EXPECT_EQ(decode.exitCode, 0);
}

}  // namespace
