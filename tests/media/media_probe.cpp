#include "media_probe.h"

#include <cstdlib>
#include <map>
#include <sstream>

#include "media_assets.h"

namespace media_assets {

namespace {

// "key=value|key=value" as ffprobe's compact writer prints a section.
std::map<std::string, std::string> fields(const std::string& line) {
  std::map<std::string, std::string> f;
  std::stringstream in(line);
  for (std::string kv; std::getline(in, kv, '|');) {
    const size_t eq = kv.find('=');
    if (eq != std::string::npos) f[kv.substr(0, eq)] = kv.substr(eq + 1);
  }
  return f;
}

}  // namespace

std::vector<ProbePacket> probePackets(const std::string& path) {
  const auto r = run("ffprobe -v error -show_entries packet=codec_type,pts_time,flags "
                     "-of compact=p=0 " + quoted(path) + " 2>/dev/null");
  std::vector<ProbePacket> out;
  std::stringstream in(r.output);
  for (std::string line; std::getline(in, line);) {
    auto f = fields(line);
    if (f["codec_type"].empty()) continue;
    ProbePacket p;
    p.type = f["codec_type"];
    p.key = !f["flags"].empty() && f["flags"][0] == 'K';
    p.time = std::atof(f["pts_time"].c_str());
    out.push_back(p);
  }
  return out;
}

double probeDuration(const std::string& path) {
  const auto r = run("ffprobe -v error -show_entries format=duration -of default=nw=1:nk=1 " +
                     quoted(path) + " 2>/dev/null");
  if (r.exitCode != 0 || r.output.empty()) return -1;
  return std::atof(r.output.c_str());
}

int decodedVideoFrames(const std::string& path) {
  const auto r = run("ffprobe -v error -count_frames -select_streams v:0 "
                     "-show_entries stream=nb_read_frames -of csv=p=0 " + quoted(path) +
                     " 2>/dev/null");
  if (r.exitCode != 0 || r.output.empty()) return -1;
  return std::atoi(r.output.c_str());
}

bool probeVideo(const std::string& path, ProbeVideo* out) {
  const auto r = run("ffprobe -v error -select_streams v:0 -show_entries "
                     "stream=codec_name,width,height -of compact=p=0 " + quoted(path) +
                     " 2>/dev/null");
  auto f = fields(r.output.substr(0, r.output.find('\n')));
  if (r.exitCode != 0 || f["codec_name"].empty()) return false;
  out->codec = f["codec_name"];
  out->width = std::atoi(f["width"].c_str());
  out->height = std::atoi(f["height"].c_str());
  return true;
}

}  // namespace media_assets
