// The ffmpeg command lines that make the camera's clips: a picture pattern
// per camera (lavfi test sources), an optional name drawn on it with a
// running clock, a tone of its own. Pure text: media_clips runs them.
#pragma once

#include <string>
#include <vector>

#include "media_units.h"

namespace camera {

// The picture patterns a camera can show.
const std::vector<std::string>& patternNames();
bool knownPattern(const std::string& name);

// What goes into the label file that drawtext reads: the name without the
// characters drawtext would expand ('%', '\\') or that break a line, then
// the clip's running time.
std::string labelText(const std::string& name);

struct VideoRecipe {
  VideoCodec codec = VideoCodec::H264;
  H264Profile profile = H264Profile::Baseline;  // H.264 only
  std::string pattern = "testsrc2";
  int width = 640, height = 360;
  int fps = 25;
  int seconds = 2;
  int bitrateKbit = 0;  // 0: about 1 bit per 1,000 pixels a second, 256 kbit/s at least
  int gop = 0;          // pictures from one key frame to the next; 0: one a second
  std::string labelFile;  // drawtext textfile, relative to the encoder's folder; empty: no text
};

// ffmpeg arguments (shell-quoted, without the program name and the output
// file) that encode the recipe as an Annex-B elementary stream with access
// unit delimiters, parameter sets on every key frame, a key frame every
// `gop` pictures (and no other), no B-frames and a capped bit rate.
// Baseline is x264's fastest preset (CAVLC); Main and High use CABAC, as
// most cameras' encoders do.
std::string videoArguments(const VideoRecipe& r);

// ffmpeg arguments for `seconds` of a sine tone as AAC-LC 8 kHz mono ADTS.
std::string audioArguments(int toneHz, int seconds);

// Single-quoted for /bin/sh.
std::string shellQuote(const std::string& s);

}  // namespace camera
