// What ffprobe (FFmpeg's own reader, not ours) sees in a media file: its
// packets, its duration, how many pictures decode, the picture size.
#pragma once

#include <string>
#include <vector>

namespace media_assets {

// One packet: "codec_type,key_flag,pts_time".
struct ProbePacket {
  std::string type;  // "video" / "audio"
  bool key = false;
  double time = 0;
};
std::vector<ProbePacket> probePackets(const std::string& path);
// Container duration in seconds (-1 when ffprobe cannot read the file).
double probeDuration(const std::string& path);
// Decodes every video frame with ffmpeg; the number decoded (-1 on failure).
int decodedVideoFrames(const std::string& path);
// The first video stream's codec name and picture size (false when
// ffprobe finds none).
struct ProbeVideo {
  std::string codec;
  int width = 0;
  int height = 0;
};
bool probeVideo(const std::string& path, ProbeVideo* out);

}  // namespace media_assets
