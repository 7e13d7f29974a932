// The simulated camera's clips as ffmpeg really makes them, checked with
// ffprobe and by decoding them again: frames and key frames, sizes, the
// picture of each pattern, the name drawn on it, the camera's own tone, and
// the files reused by a camera started again.
#include "media_clips.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include "clip_recipes.h"
#include "tone_power.h"

using camera::VideoCodec;

namespace {

std::string shell(const std::string& cmd) {
  std::string out;
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return out;
  char buf[256];
  while (fgets(buf, sizeof buf, p)) out += buf;
  pclose(p);
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
}

std::vector<uint8_t> readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class ClipsDir : public ::testing::Test {
 protected:
  void SetUp() override {
    char dir[] = "/tmp/camera_clips.XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    dir_ = dir;
  }
  void TearDown() override { shell("rm -rf '" + dir_ + "'"); }

  // A small, short request: the checks do not need 1080p.
  camera::ClipRequest request() const {
    camera::ClipRequest r;
    r.seconds = 1;
    r.fhdWidth = 320;
    r.fhdHeight = 180;
    r.hdWidth = 160;
    r.hdHeight = 90;
    r.workDir = dir_;
    return r;
  }

  camera::MediaClips make(const camera::ClipRequest& r) {
    std::string error;
    camera::MediaClips c = camera::makeClips(r, &error);
    EXPECT_TRUE(error.empty()) << error;
    return c;
  }

  // The luma plane of the first picture of an elementary stream.
  std::vector<uint8_t> firstLuma(const std::string& stream) {
    const std::string out = dir_ + "/luma.raw";
    shell("ffmpeg -v error -y -i '" + stream + "' -frames:v 1 -f rawvideo -pix_fmt gray '" + out + "'");
    return readAll(out);
  }

  // The sound as 16-bit samples at 8 kHz.
  std::vector<int16_t> samples(const std::string& aac) {
    const std::string out = dir_ + "/pcm.raw";
    shell("ffmpeg -v error -y -i '" + aac + "' -f s16le -ac 1 -ar 8000 '" + out + "'");
    const std::vector<uint8_t> b = readAll(out);
    std::vector<int16_t> s(b.size() / 2);
    for (size_t i = 0; i < s.size(); ++i) s[i] = int16_t(b[2 * i] | b[2 * i + 1] << 8);
    return s;
  }

  std::string dir_;
};

// Mean absolute difference of two luma planes of width w over rows [y0, y1)
// and columns [x0, x1).
double meanDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, int w, int x0, int y0, int x1,
                      int y1) {
  double sum = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) sum += std::abs(int(a[size_t(y * w + x)]) - int(b[size_t(y * w + x)]));
  return sum / double((x1 - x0) * (y1 - y0));
}

class MadeClips : public ::testing::TestWithParam<VideoCodec> {};

TEST_P(MadeClips, DecodeAsFramesWithKeyFramesEverySecond) {
  char dir[] = "/tmp/camera_clips.XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  camera::ClipRequest r;
  r.codec = GetParam();
  r.workDir = dir;
  std::string error;
  const camera::MediaClips c = camera::makeClips(r, &error);
  ASSERT_TRUE(error.empty()) << error;
  const bool h264 = GetParam() == VideoCodec::H264;
  ASSERT_EQ(c.fhd.units.size(), 50u);
  EXPECT_EQ(c.fhd.codec, h264 ? 2 : 3);
  for (size_t i = 0; i < c.fhd.units.size(); ++i) EXPECT_EQ(c.fhd.units[i].key, i % 25 == 0) << i;
  const uint8_t first = c.fhd.units[0].data[4];
  EXPECT_EQ(h264 ? (first & 0x1F) : (first >> 1), h264 ? 7 : 32) << "parameter sets come first";

  // The cut units, put back together, decode to one picture each.
  const std::string joined = std::string(dir) + "/joined";
  {
    std::ofstream out(joined, std::ios::binary);
    for (const auto& u : c.hd.units) out.write(reinterpret_cast<const char*>(u.data.data()), long(u.data.size()));
  }
  EXPECT_EQ(shell("ffprobe -v error -f " + std::string(h264 ? "h264" : "hevc") +
                  " -count_frames -show_entries stream=codec_name,width,height,nb_read_frames -of csv=p=0 " + joined),
            std::string(h264 ? "h264" : "hevc") + ",320,180,50");
  // As many raw AAC frames as ffprobe counts packets, AAC-LC 8 kHz mono.
  EXPECT_EQ(shell("ffprobe -v error -count_packets -show_entries stream=profile,sample_rate,channels,nb_read_packets "
                  "-of csv=p=0 " + c.audioFile),
            "LC,8000,1," + std::to_string(c.audio.size()));
  shell(std::string("rm -rf ") + dir);
}

INSTANTIATE_TEST_SUITE_P(Codecs, MadeClips, ::testing::Values(VideoCodec::H264, VideoCodec::H265),
                         [](const ::testing::TestParamInfo<VideoCodec>& i) {
                           return std::string(i.param == VideoCodec::H264 ? "h264" : "h265");
                         });

TEST_F(ClipsDir, EveryPatternHasItsOwnPictureInBothSizes) {
  std::vector<std::vector<uint8_t>> pictures;
  for (const std::string& name : camera::patternNames()) {
    camera::ClipRequest r = request();
    r.pattern = name;
    const camera::MediaClips c = make(r);
    ASSERT_EQ(c.fhd.units.size(), 25u) << name;
    EXPECT_TRUE(c.fhd.units[0].key) << name;
    EXPECT_EQ(shell("ffprobe -v error -count_frames -show_entries stream=width,height,nb_read_frames -of csv=p=0 '" +
                    c.fhd.file + "'"),
              "320,180,25")
        << name;
    EXPECT_EQ(shell("ffprobe -v error -show_entries stream=width,height -of csv=p=0 '" + c.hd.file + "'"), "160,90")
        << name;
    pictures.push_back(firstLuma(c.fhd.file));
    ASSERT_EQ(pictures.back().size(), 320u * 180u) << name;
  }
  for (size_t a = 0; a < pictures.size(); ++a)
    for (size_t b = a + 1; b < pictures.size(); ++b)
      EXPECT_GT(meanDifference(pictures[a], pictures[b], 320, 0, 0, 320, 180), 10.0)
          << camera::patternNames()[a] << " and " << camera::patternNames()[b] << " look alike";
}

// A field camera's stream: Main or High profile with CABAC, a key frame
// every `gop` pictures, the bit rate asked for, each unit with its delimiter.
TEST_F(ClipsDir, MainAndHighProfilesWithCabacAtTheRateAskedFor) {
  const struct {
    camera::H264Profile profile;
    const char* name;
    int idc;
  } profiles[] = {{camera::H264Profile::Main, "Main", 77}, {camera::H264Profile::High, "High", 100}};
  for (const auto& p : profiles) {
    camera::ClipRequest r = request();
    r.seconds = 2;
    r.profile = p.profile;
    r.gop = 10;
    r.bitrateKbit = 300;
    r.keepDelimiters = true;
    const camera::MediaClips c = make(r);
    ASSERT_EQ(c.fhd.units.size(), 50u) << p.name;
    for (size_t i = 0; i < c.fhd.units.size(); ++i) {
      EXPECT_EQ(c.fhd.units[i].key, i % 10 == 0) << p.name << " unit " << i;
      EXPECT_EQ(c.fhd.units[i].data[4] & 0x1F, 9) << p.name << " unit " << i << " does not begin with its delimiter";
    }
    EXPECT_EQ(shell("ffprobe -v error -show_entries stream=profile,has_b_frames -of csv=p=0 '" + c.fhd.file + "'"),
              std::string(p.name) + ",0");
    // The parameter sets as the decoder reads them: the profile, and CABAC.
    const std::string headers = shell("ffmpeg -hide_banner -loglevel verbose -i '" + c.fhd.file +
                                      "' -frames:v 1 -c copy -bsf:v trace_headers -f null - 2>&1");
    EXPECT_TRUE(std::regex_search(headers, std::regex("profile_idc\\s+[01]+ = " + std::to_string(p.idc))))
        << p.name;
    EXPECT_TRUE(std::regex_search(headers, std::regex("entropy_coding_mode_flag\\s+1 = 1"))) << p.name << ": no CABAC";
    struct stat st {};
    ASSERT_EQ(stat(c.fhd.file.c_str(), &st), 0);
    const double kbit = double(st.st_size) * 8 / 1000 / r.seconds;
    EXPECT_GT(kbit, 300 * 0.6) << p.name;
    EXPECT_LT(kbit, 300 * 1.4) << p.name;
  }
}

TEST_F(ClipsDir, NameIsDrawnInTheTopLeftCornerOnly) {
  camera::ClipRequest plain = request();
  plain.pattern = "smptehdbars";  // a still picture: only the text differs
  camera::ClipRequest named = plain;
  named.label = "Front door";
  const camera::MediaClips p = make(plain), n = make(named);
  EXPECT_FALSE(p.labelDrawn);
  ASSERT_TRUE(n.labelDrawn) << "ffmpeg could not draw text with the fonts of scripts/packages";
  const std::vector<uint8_t> a = firstLuma(p.fhd.file), b = firstLuma(n.fhd.file);
  ASSERT_EQ(a.size(), b.size());
  EXPECT_GT(meanDifference(a, b, 320, 0, 0, 160, 24), 10.0) << "no text in the corner";
  EXPECT_LT(meanDifference(a, b, 320, 0, 90, 320, 180), 2.0) << "the rest of the picture changed";
  EXPECT_NE(p.hd.file, n.hd.file);
}

TEST_F(ClipsDir, NameIsLeftOutWhereNoFontIsFound) {
  const std::string conf = dir_ + "/no-fonts.conf";
  std::ofstream(conf) << "<?xml version=\"1.0\"?><fontconfig></fontconfig>\n";
  camera::ClipRequest named = request();
  named.label = "Garage";
  setenv("FONTCONFIG_FILE", conf.c_str(), 1);
  std::string error;
  const camera::MediaClips n = camera::makeClips(named, &error);
  unsetenv("FONTCONFIG_FILE");
  EXPECT_TRUE(error.empty()) << error;
  EXPECT_FALSE(n.labelDrawn);
  EXPECT_EQ(n.fhd.units.size(), 25u);
  const camera::MediaClips plain = make(request());
  EXPECT_EQ(plain.encoded, 0) << "the picture without text is the plain one";
  EXPECT_EQ(n.fhd.file, plain.fhd.file);
  EXPECT_EQ(n.hd.file, plain.hd.file);
}

TEST_F(ClipsDir, TheToneIsTheCamerasOwn) {
  for (const int hz : {440, 1000}) {
    camera::ClipRequest r = request();
    r.toneHz = hz;
    const camera::MediaClips c = make(r);
    const std::vector<int16_t> s = samples(c.audioFile);
    ASSERT_GT(s.size(), 4000u) << hz;
    const double own = testsupport::tonePower(s, 2048, 1, hz, 8000);
    const double other = testsupport::tonePower(s, 2048, 1, hz == 440 ? 1000 : 440, 8000);
    EXPECT_GT(own, 100 * other) << hz << " Hz";
  }
}

TEST_F(ClipsDir, StartedAgainItReusesWhatIsThere) {
  camera::ClipRequest r = request();
  const camera::MediaClips first = make(r);
  EXPECT_EQ(first.encoded, 3);
  const camera::MediaClips again = make(r);
  EXPECT_EQ(again.encoded, 0);
  EXPECT_EQ(again.fhd.file, first.fhd.file);
  ASSERT_EQ(again.fhd.units.size(), first.fhd.units.size());
  EXPECT_EQ(again.fhd.units[7].data, first.fhd.units[7].data);
  EXPECT_EQ(again.audio, first.audio);

  // Another tone: only the sound is made again.
  r.toneHz = 880;
  const camera::MediaClips tone = make(r);
  EXPECT_EQ(tone.encoded, 1);
  EXPECT_EQ(tone.fhd.file, first.fhd.file);
  EXPECT_NE(tone.audioFile, first.audioFile);

  // A file that went missing is made again; nothing else is.
  ASSERT_EQ(std::remove(first.hd.file.c_str()), 0);
  const camera::MediaClips mended = make(camera::ClipRequest(request()));
  EXPECT_EQ(mended.encoded, 1);
  struct stat st {};
  EXPECT_EQ(stat(first.hd.file.c_str(), &st), 0);
  EXPECT_EQ(shell("ls '" + dir_ + "' | grep -c part"), "0") << "no temporary file left behind";
}

TEST_F(ClipsDir, SnapshotIsTheFirstPictureAsJpeg) {
  camera::ClipRequest r = request();
  r.pattern = "mandelbrot";
  const camera::MediaClips c = make(r);
  const std::string jpeg = dir_ + "/snap.jpeg";
  std::string error;
  ASSERT_TRUE(camera::writeSnapshot(c.fhd, jpeg, 640, &error)) << error;
  EXPECT_EQ(shell("ffprobe -v error -show_entries stream=codec_name,width,height -of csv=p=0 '" + jpeg + "'"),
            "mjpeg,640,360");
  const std::string small = dir_ + "/snap.raw";
  shell("ffmpeg -v error -y -i '" + jpeg + "' -vf scale=320:180 -f rawvideo -pix_fmt gray '" + small + "'");
  const std::vector<uint8_t> a = readAll(small), b = firstLuma(c.fhd.file);
  ASSERT_EQ(a.size(), b.size());
  EXPECT_LT(meanDifference(a, b, 320, 0, 0, 320, 180), 6.0);
  EXPECT_FALSE(camera::writeSnapshot(c.fhd, dir_ + "/no/such/folder/snap.jpeg", 640, &error));
  EXPECT_FALSE(error.empty());

  // Paths relative to the working folder work as well (ffmpeg runs elsewhere).
  char* cwd = getcwd(nullptr, 0);
  ASSERT_NE(cwd, nullptr);
  std::string up;
  for (const char* p = cwd; *p; ++p) up += *p == '/' ? "../" : "";
  std::free(cwd);
  camera::VideoClip relative = c.fhd;
  relative.file = up + c.fhd.file.substr(1);
  error.clear();
  EXPECT_TRUE(camera::writeSnapshot(relative, up + dir_.substr(1) + "/relative.jpeg", 320, &error)) << error;
  EXPECT_EQ(shell("ffprobe -v error -show_entries stream=width -of csv=p=0 '" + dir_ + "/relative.jpeg'"), "320");
}

TEST(ClipLabel, TextDrawtextWouldExpandOrBreakIsLeftOut) {
  struct Case {
    const char* name;
    const char* text;
  } cases[] = {
      {"Garden", "Garden  %{pts:hms}"},
      {"50% off", "50 off  %{pts:hms}"},
      {"a\\b", "ab  %{pts:hms}"},
      {"line\nbreak\t", "linebreak  %{pts:hms}"},
      {"Hall: \"east\" 'B'", "Hall: \"east\" 'B'  %{pts:hms}"},
  };
  for (const Case& c : cases) EXPECT_EQ(camera::labelText(c.name), c.text) << c.name;
}

}  // namespace
