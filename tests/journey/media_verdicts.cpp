#include "media_verdicts.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <sstream>

#include "libjpeg_reference.h"
#include "media_assets.h"
#include "media_probe.h"
#include "tone_power.h"

namespace fs = std::filesystem;

namespace journey {

SnapshotVerdict checkSnapshot(const std::string& path) {
  SnapshotVerdict v;
  const libjpeg_reference::Decoded d = libjpeg_reference::decode(media_assets::readFile(path));
  v.width = d.width;
  v.height = d.height;
  v.ok = d.ok && d.warnings == 0 && d.width > 0;
  std::ostringstream t;
  if (!d.ok)
    t << "libjpeg: " << d.error;
  else
    t << d.width << "x" << d.height << " JPEG, libjpeg: "
      << (d.warnings ? "warning " + d.firstWarning : std::string("clean"));
  v.text = t.str();
  return v;
}

RecordingVerdict checkRecording(const std::string& path) {
  RecordingVerdict v;
  media_assets::ProbeVideo video;
  const bool probed = media_assets::probeVideo(path, &video);
  v.codec = video.codec;
  v.width = video.width;
  v.height = video.height;
  v.seconds = media_assets::probeDuration(path);
  v.pictures = media_assets::decodedVideoFrames(path);
  bool firstVideo = true;
  double lastVideo = -1e300, lastSound = -1e300;
  v.timesRise = true;
  for (const media_assets::ProbePacket& p : media_assets::probePackets(path)) {
    double& last = p.type == "audio" ? lastSound : lastVideo;
    if (p.time < last) v.timesRise = false;
    last = p.time;
    if (p.type == "audio") ++v.soundPackets;
    if (p.type != "video") continue;
    if (firstVideo) {
      v.keyFirst = p.key;
      v.firstVideo = p.time;
      firstVideo = false;
    }
    v.lastVideo = p.time;
    ++v.videoPackets;
  }
  v.ok = probed && v.seconds > 0 && v.pictures > 0 && v.keyFirst && v.timesRise;
  std::ostringstream t;
  if (!probed) {
    t << "ffprobe finds no video";
  } else {
    t.precision(3);
    t << video.codec << " " << v.width << "x" << v.height << ", " << v.seconds << " s, "
      << v.pictures << " pictures decoded (" << v.fps() << " fps), " << v.soundPackets
      << " sound packets, " << (v.keyFirst ? "key frame first" : "no key frame first") << ", "
      << (v.timesRise ? "times rising" : "times going back");
  }
  v.text = t.str();
  return v;
}

namespace {

// Milliseconds of a debug.txt line's "[ yyyy-MM-dd HH:mm:ss:zzz ]" head
// (counted from a fixed day: only differences mean anything); -1 without one.
long long lineMs(const std::string& line) {
  int y, mo, d, h, mi, sec, ms;
  if (std::sscanf(line.c_str(), "[ %d-%d-%d %d:%d:%d:%d ]", &y, &mo, &d, &h, &mi, &sec, &ms) != 7)
    return -1;
  // Days from the civil date (proleptic Gregorian), so a recording across
  // midnight or a month's end still counts right.
  const int yy = y - (mo <= 2);
  const int era = (yy >= 0 ? yy : yy - 399) / 400;
  const int yoe = yy - era * 400;
  const int doy = (153 * (mo + (mo > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const long long days = era * 146097LL + yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return ((days * 24 + h) * 60 + mi) * 60000LL + sec * 1000LL + ms;
}

// The time of the first line holding both `a` and `b`; -1 when none does.
long long firstLineWith(const std::string& log, const std::string& a, const std::string& b) {
  std::istringstream in(log);
  for (std::string line; std::getline(in, line);)
    if (line.find(a) != std::string::npos && line.find(b) != std::string::npos) return lineMs(line);
  return -1;
}

}  // namespace

double recordSpanInLog(const std::string& log, const std::string& file) {
  const std::string name = fs::path(file).filename().string();
  const long long start = firstLineWith(log, name, "start record");
  const long long stop = firstLineWith(log, name, "stop record");
  if (start < 0 || stop < start) return -1;
  return (stop - start) / 1000.0;
}

std::vector<std::string> filesUnder(const std::string& dir, const std::string& suffix) {
  std::vector<std::string> out;
  std::error_code ec;
  for (fs::recursive_directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string p = it->path().string();
    if (it->is_regular_file() && p.size() >= suffix.size() &&
        p.compare(p.size() - suffix.size(), suffix.size(), suffix) == 0)
      out.push_back(p);
  }
  std::sort(out.begin(), out.end());
  return out;
}

ToneVerdict toneOf(const std::vector<int16_t>& sound, int rate, int ownHz,
                   const std::vector<int>& otherHz) {
  ToneVerdict v;
  v.own = testsupport::tonePower(sound, 0, 1, ownHz, rate);
  for (int hz : otherHz)
    v.strongestOther = std::max(v.strongestOther, testsupport::tonePower(sound, 0, 1, hz, rate));
  return v;
}

}  // namespace journey
