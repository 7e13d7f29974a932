#include "media_verdicts.h"

#include <algorithm>
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
    if (p.type == "video" && firstVideo) {
      v.keyFirst = p.key;
      firstVideo = false;
    }
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
