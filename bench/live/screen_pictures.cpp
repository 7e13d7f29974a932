#include "screen_pictures.h"

#include <fstream>

#include "bench_measures.h"

namespace livebench {

ScreenPictures countScreenPictures(const std::string& display, const ScreenArea& area, int seconds,
                                   const std::string& workFile, int fps) {
  ScreenPictures out;
  const double cpu = childCpu({"timeout", "-k", "5", std::to_string(seconds + 30), "ffmpeg", "-nostdin", "-v",
                               "error", "-y", "-f", "x11grab", "-draw_mouse", "0", "-framerate",
                               std::to_string(fps), "-video_size",
                               std::to_string(area.width) + "x" + std::to_string(area.height), "-i",
                               display + "+" + std::to_string(area.x) + "," + std::to_string(area.y), "-t",
                               std::to_string(seconds), "-f", "framemd5", workFile});
  out.seconds = seconds;
  if (cpu < 0) return out;
  // Lines "stream, dts, pts, duration, size, hash" after the "#" header.
  std::ifstream in(workFile);
  std::string previous;
  out.grabs = out.changes = 0;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    const std::string hash = line.substr(line.rfind(',') + 1);
    if (out.grabs++ > 0 && hash != previous) ++out.changes;
    previous = hash;
  }
  return out;
}

}  // namespace livebench
