// The camera's media, made with the ffmpeg command-line tool from its test
// sources: two video qualities (no B-frames, key frames with their parameter
// sets, one a second unless asked otherwise) and AAC-LC 8 kHz mono. The encoded files stay in the
// work folder under names made from everything that shaped them, so a
// camera started again with the same switches reuses them at once.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "media_units.h"

namespace camera {

struct VideoClip {
  uint16_t codec = 2;  // 2 H.264, 3 H.265
  uint16_t width = 0, height = 0;
  std::vector<VideoUnit> units;
  std::string file;  // the encoded elementary stream
};

struct MediaClips {
  VideoClip fhd;  // quality 5
  VideoClip hd;   // quality 1
  std::vector<Bytes> audio;
  std::string audioFile;  // ADTS
  bool labelDrawn = false;  // the label is on the picture (drawtext worked)
  int encoded = 0;          // files encoded now (0: all came from the work folder)
};

struct ClipRequest {
  VideoCodec codec = VideoCodec::H264;
  H264Profile profile = H264Profile::Baseline;  // H.264 only
  int fps = 25;
  int bitrateKbit = 0;  // both qualities; 0: capped by the picture size (VideoRecipe)
  int gop = 0;          // pictures from one key frame to the next; 0: one a second
  bool keepDelimiters = false;  // each access unit sent with its delimiter
  int seconds = 2;
  int fhdWidth = 640, fhdHeight = 360;
  int hdWidth = 320, hdHeight = 180;
  std::string pattern = "testsrc2";  // see patternNames()
  std::string label;                 // drawn with a running clock; empty: no text
  int toneHz = 440;
  std::string workDir;  // existing folder for the encoder's files
};

// Empty `error` on success.
MediaClips makeClips(const ClipRequest& r, std::string* error);

// Writes the first picture of `clip` as a JPEG `width` pixels wide (the
// stored snapshot a cloud hands out for the camera). False with `error` set
// when it cannot.
bool writeSnapshot(const VideoClip& clip, const std::string& jpegPath, int width, std::string* error);

}  // namespace camera
