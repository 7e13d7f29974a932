#include "media_clips.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace camera {
namespace {

bool run(const std::string& cmd, std::string* error) {
  // Bounded: a hung encoder must not keep the camera from stopping.
  const std::string full = "timeout 60 " + cmd + " </dev/null";
  if (std::system(full.c_str()) != 0) {
    *error = "command failed: " + cmd;
    return false;
  }
  return true;
}

Bytes readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool encodeVideo(const ClipRequest& r, int w, int h, const std::string& name, VideoClip* clip, std::string* error) {
  const bool h264 = r.codec == VideoCodec::H264;
  const std::string out = r.workDir + "/" + name + (h264 ? ".h264" : ".h265");
  const std::string size = std::to_string(w) + "x" + std::to_string(h);
  const std::string gop = std::to_string(r.fps);
  std::string cmd = "ffmpeg -hide_banner -loglevel error -y -f lavfi -i testsrc2=size=" + size +
                    ":rate=" + std::to_string(r.fps) + " -t " + std::to_string(r.seconds) + " -pix_fmt yuv420p ";
  if (h264)
    cmd += "-c:v libx264 -preset ultrafast -bf 0 -g " + gop + " -x264-params aud=1:repeat-headers=1 -f h264 ";
  else
    cmd += "-c:v libx265 -preset ultrafast -x265-params bframes=0:keyint=" + gop +
           ":aud=1:repeat-headers=1:log-level=error -f hevc ";
  if (!run(cmd + "'" + out + "'", error)) return false;
  clip->codec = h264 ? 2 : 3;
  clip->width = uint16_t(w);
  clip->height = uint16_t(h);
  clip->units = splitAccessUnits(readFile(out), r.codec);
  if (clip->units.empty() || !clip->units.front().key) {
    *error = "no key frame at the start of " + out;
    return false;
  }
  return true;
}

}  // namespace

MediaClips makeClips(const ClipRequest& r, std::string* error) {
  MediaClips c;
  error->clear();
  if (!encodeVideo(r, r.fhdWidth, r.fhdHeight, "fhd", &c.fhd, error)) return c;
  if (!encodeVideo(r, r.hdWidth, r.hdHeight, "hd", &c.hd, error)) return c;
  const std::string aac = r.workDir + "/audio.aac";
  if (!run("ffmpeg -hide_banner -loglevel error -y -f lavfi -i sine=frequency=440:sample_rate=8000:duration=" +
               std::to_string(r.seconds) + " -ac 1 -ar 8000 -c:a aac -b:a 24k -f adts '" + aac + "'",
           error))
    return c;
  c.audio = splitAdts(readFile(aac));
  if (c.audio.empty()) *error = "no AAC frames in " + aac;
  return c;
}

}  // namespace camera
