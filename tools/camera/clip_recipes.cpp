#include "clip_recipes.h"

#include <algorithm>

namespace camera {
namespace {

struct Pattern {
  const char* name;
  int shrink;           // rendered at 1/shrink of the size, then scaled up (costly sources)
  const char* options;  // more source options
  const char* scaler;   // scale flags
};

const Pattern kPatterns[] = {
    {"testsrc2", 1, "", "bilinear"},
    {"smptehdbars", 1, "", "bilinear"},
    {"rgbtestsrc", 1, "", "bilinear"},
    {"mandelbrot", 3, ":maxiter=128", "bilinear"},
    {"life", 8, ":mold=10:ratio=0.1:death_color=#203040:life_color=#40c040", "neighbor"},
};

const Pattern* findPattern(const std::string& name) {
  for (const Pattern& p : kPatterns)
    if (name == p.name) return &p;
  return nullptr;
}

std::string size(int w, int h) { return std::to_string(w) + "x" + std::to_string(h); }

int evenAtLeast16(int v) { return std::max(16, v & ~1); }

std::string graph(const VideoRecipe& r) {
  const Pattern& p = *findPattern(r.pattern);
  const int sw = evenAtLeast16(r.width / p.shrink), sh = evenAtLeast16(r.height / p.shrink);
  std::string g = std::string(p.name) + "=size=" + size(sw, sh) + ":rate=" + std::to_string(r.fps) + p.options +
                  ",format=yuv420p";
  if (sw != r.width || sh != r.height)
    g += ",scale=" + std::to_string(r.width) + ":" + std::to_string(r.height) + ":flags=" + p.scaler;
  if (!r.labelFile.empty()) {
    const int font = std::max(12, r.height / 20), margin = std::max(4, r.height / 30);
    g += ",drawtext=textfile=" + r.labelFile + ":fontsize=" + std::to_string(font) +
         ":fontcolor=white:box=1:boxcolor=black@0.6:boxborderw=" + std::to_string(font / 5) +
         ":x=" + std::to_string(margin) + ":y=" + std::to_string(margin);
  }
  return g;
}

}  // namespace

const std::vector<std::string>& patternNames() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> n;
    for (const Pattern& p : kPatterns) n.push_back(p.name);
    return n;
  }();
  return names;
}

bool knownPattern(const std::string& name) { return findPattern(name) != nullptr; }

std::string labelText(const std::string& name) {
  std::string out;
  for (char c : name)
    if (c != '%' && c != '\\' && static_cast<unsigned char>(c) >= 0x20 && c != 0x7F) out += c;
  return out + "  %{pts:hms}";
}

std::string videoArguments(const VideoRecipe& r) {
  if (!knownPattern(r.pattern)) return std::string();
  const bool h264 = r.codec == VideoCodec::H264;
  const std::string gop = std::to_string(r.gop > 0 ? r.gop : r.fps);
  // About 1 bit per 1,000 pixels a second: 2 Mbit/s at 1920x1080, 256 kbit/s at least.
  const std::string cap = std::to_string(std::max(256, r.width * r.height / 1000)) + "k";
  // A rate asked for is the average too; else the encoder's quality setting under the cap.
  const std::string rate = r.bitrateKbit > 0 ? std::to_string(r.bitrateKbit) + "k" : cap;
  std::string a = "-f lavfi -i " + shellQuote(graph(r)) + " -t " + std::to_string(r.seconds) + " -pix_fmt yuv420p ";
  if (r.bitrateKbit > 0) a += "-b:v " + rate + " ";
  a += "-maxrate " + rate + " -bufsize " + rate + " ";
  if (h264 && r.profile == H264Profile::Baseline)
    a += "-c:v libx264 -preset ultrafast -bf 0 -g " + gop + " -x264-params aud=1:repeat-headers=1 -f h264";
  else if (h264)
    a += std::string("-c:v libx264 -preset veryfast -profile:v ") +
         (r.profile == H264Profile::Main ? "main" : "high") + " -bf 0 -g " + gop +
         " -x264-params aud=1:repeat-headers=1:cabac=1:scenecut=0 -f h264";
  else
    a += "-c:v libx265 -preset ultrafast -x265-params bframes=0:keyint=" + gop +
         ":aud=1:repeat-headers=1:log-level=error -f hevc";
  return a;
}

std::string audioArguments(int toneHz, int seconds) {
  return "-f lavfi -i sine=frequency=" + std::to_string(toneHz) + ":sample_rate=8000:duration=" +
         std::to_string(seconds) + " -ac 1 -ar 8000 -c:a aac -b:a 24k -f adts";
}

std::string shellQuote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

}  // namespace camera
