// Verdicts on what the program made and played, by references nobody here
// wrote: libjpeg on snapshots, ffprobe/ffmpeg on recordings, and the tone
// power of what reached the sound server.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace journey {

struct SnapshotVerdict {
  bool ok = false;       // libjpeg decoded it without warnings
  int width = 0, height = 0;
  std::string text;      // "1920x1080 JPEG, libjpeg: clean" or the error
};
SnapshotVerdict checkSnapshot(const std::string& path);

struct RecordingVerdict {
  bool ok = false;       // ffprobe reads it and every picture decodes
  std::string codec;
  int width = 0, height = 0;
  double seconds = 0;
  int pictures = 0;      // decoded by ffmpeg
  int soundPackets = 0;
  bool keyFirst = false; // the first video packet is a key frame
  bool timesRise = false; // no packet's time goes back before its stream's last
  int videoPackets = 0;
  double firstVideo = 0, lastVideo = 0;  // the first and last picture's time (s)

  double fps() const { return seconds > 0 ? pictures / seconds : 0; }
  std::string text;
};
RecordingVerdict checkRecording(const std::string& path);

// The time the program recorded into `file` by its own log (debug.txt):
// from its "start record" line for that file to its "stop record" line, in
// seconds; -1 when either line is missing.
double recordSpanInLog(const std::string& log, const std::string& file);

// Files under `dir` (recursively) ending in `suffix`, sorted by path.
std::vector<std::string> filesUnder(const std::string& dir, const std::string& suffix);

// The camera's own tone against the others' in mono 16-bit sound at `rate`:
// its power and the largest power at another tone.
struct ToneVerdict {
  double own = 0, strongestOther = 0;
  bool found() const { return own > 1.0 && own > 20 * strongestOther; }
};
ToneVerdict toneOf(const std::vector<int16_t>& sound, int rate, int ownHz,
                   const std::vector<int>& otherHz);

}  // namespace journey
