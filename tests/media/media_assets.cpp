#include "media_assets.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace media_assets {

CommandResult run(const std::string& command) {
  CommandResult r{-1, {}};
  FILE* p = popen((command + " 2>&1").c_str(), "r");
  if (!p) return r;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.output.append(buf, n);
  const int status = pclose(p);
  r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

std::string quoted(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

std::string ffmpegAsset(const std::string& name, const std::string& args) {
  const std::string dir = "media_assets";
  mkdir(dir.c_str(), 0755);
  const std::string path = dir + "/" + name;
  struct stat st {};
  if (stat(path.c_str(), &st) == 0 && st.st_size > 0) return path;
  const std::string ext = name.substr(name.find_last_of('.') + 1);
  const std::string tmp = path + ".tmp" + std::to_string(getpid()) + "." + ext;
  const CommandResult r =
      run("ffmpeg -nostdin -hide_banner -y -loglevel error " + args + " " + quoted(tmp));
  if (r.exitCode != 0 || rename(tmp.c_str(), path.c_str()) != 0) {
    fprintf(stderr, "cannot make %s: %s\n", name.c_str(), r.output.c_str());
    unlink(tmp.c_str());
    abort();
  }
  return path;
}

Bytes readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

namespace {

bool isDelimiter(const Bytes& s, size_t nal, VideoCodec codec) {
  if (nal >= s.size()) return false;
  if (codec == VideoCodec::H264) return (s[nal] & 0x1f) == 9;
  return nal + 1 < s.size() && ((s[nal] >> 1) & 0x3f) == 35;
}

// Start-code positions (index of the first 00 of 00 00 01, or of the
// leading zero of a 4-byte code) and the NAL header index behind each.
std::vector<std::pair<size_t, size_t>> startCodes(const Bytes& s) {
  std::vector<std::pair<size_t, size_t>> out;
  for (size_t i = 0; i + 2 < s.size(); ++i) {
    if (s[i] == 0 && s[i + 1] == 0 && s[i + 2] == 1) {
      const size_t begin = (i > 0 && s[i - 1] == 0) ? i - 1 : i;
      out.push_back({begin, i + 3});
      i += 2;
    }
  }
  return out;
}

}  // namespace

std::vector<Bytes> splitAccessUnits(const Bytes& stream, VideoCodec codec) {
  std::vector<size_t> cuts;
  for (const auto& [begin, nal] : startCodes(stream))
    if (isDelimiter(stream, nal, codec)) cuts.push_back(begin);
  std::vector<Bytes> aus;
  for (size_t i = 0; i < cuts.size(); ++i) {
    const size_t end = i + 1 < cuts.size() ? cuts[i + 1] : stream.size();
    aus.emplace_back(stream.begin() + static_cast<ptrdiff_t>(cuts[i]),
                     stream.begin() + static_cast<ptrdiff_t>(end));
  }
  return aus;
}

bool isKeyFrame(const Bytes& au, VideoCodec codec) {
  for (const auto& sc : startCodes(au)) {
    const size_t nal = sc.second;
    if (nal >= au.size()) continue;
    if (codec == VideoCodec::H264 && (au[nal] & 0x1f) == 5) return true;
    if (codec == VideoCodec::H265) {
      const int type = (au[nal] >> 1) & 0x3f;
      if (type >= 16 && type <= 21) return true;
    }
  }
  return false;
}

std::vector<Bytes> splitAdts(const Bytes& s) {
  std::vector<Bytes> frames;
  size_t pos = 0;
  while (pos + 7 <= s.size() && s[pos] == 0xFF && (s[pos + 1] & 0xF0) == 0xF0) {
    const size_t len = (static_cast<size_t>(s[pos + 3] & 3) << 11) |
                       (static_cast<size_t>(s[pos + 4]) << 3) | (s[pos + 5] >> 5);
    if (len < 7 || pos + len > s.size()) break;
    frames.emplace_back(s.begin() + static_cast<ptrdiff_t>(pos),
                        s.begin() + static_cast<ptrdiff_t>(pos + len));
    pos += len;
  }
  return frames;
}

Bytes withClientHeader(const Bytes& adtsFrame) {
  const size_t hdr = (adtsFrame[1] & 1) ? 7 : 9;
  const size_t len = adtsFrame.size() - hdr + 7;
  const uint8_t header[7] = {0xFF, 0xF9, 0x6C, static_cast<uint8_t>(0x40 + (len >> 11)),
                             static_cast<uint8_t>((len >> 3) & 0xFF),
                             static_cast<uint8_t>(((len & 7) << 5) + 0x1F), 0xFC};
  Bytes out(len);
  std::copy(header, header + 7, out.begin());
  std::copy(adtsFrame.begin() + static_cast<ptrdiff_t>(hdr), adtsFrame.end(), out.begin() + 7);
  return out;
}

std::string encoderArgs(VideoCodec codec, int gop, int bframes, int slices) {
  const std::string g = std::to_string(gop);
  const std::string b = std::to_string(bframes);
  const std::string cut = slices > 0 ? ":slices=" + std::to_string(slices) : std::string();
  if (codec == VideoCodec::H264)
    return "-c:v libx264 -preset veryfast -bf " + b + " -g " + g + " -x264-params aud=1:log=-1" + cut;
  return "-c:v libx265 -preset ultrafast -g " + g + " -x265-params aud=1:bframes=" + b +
         ":log-level=error" + cut;
}

const char* rawFormat(VideoCodec codec) { return codec == VideoCodec::H264 ? "h264" : "hevc"; }

void PrintTo(const TestStream& s, std::ostream* os) { *os << s.name; }
void PrintTo(VideoCodec c, std::ostream* os) { *os << (c == VideoCodec::H264 ? "H.264" : "H.265"); }

std::string streamFile(const TestStream& s) {
  const std::string size = std::to_string(s.width) + "x" + std::to_string(s.height);
  return ffmpegAsset(std::string(s.name) + "." + rawFormat(s.codec),
                     "-f lavfi -i testsrc2=size=" + size + ":rate=25 -vf scale=" +
                         std::to_string(s.width) + ":" + std::to_string(s.height) +
                         " -frames:v " + std::to_string(s.frames) + " -pix_fmt " + s.encodePixFmt +
                         " " + encoderArgs(s.codec, s.gop, s.bframes, s.slices) + " -f " + rawFormat(s.codec));
}

Bytes referencePictures(const TestStream& s) {
  return readFile(ffmpegAsset(std::string(s.name) + "." + s.referencePixFmt + ".yuv",
                              "-i " + quoted(streamFile(s)) +
                                  " -fps_mode passthrough -f rawvideo -pix_fmt " +
                                  s.referencePixFmt));
}

size_t pictureSize(int w, int h) {
  return static_cast<size_t>(w) * static_cast<size_t>(h) +
         2 * static_cast<size_t>((w + 1) / 2) * static_cast<size_t>((h + 1) / 2);
}

}  // namespace media_assets
