// Distinct pictures on screen, counted from outside: ffmpeg's x11grab takes
// an area of the X screen `fps` times a second and hashes every grab
// (framemd5); a grab that differs from the one before is a new picture. A
// grab can straddle a present, so the count is an upper bound; grab an area
// that changes with every camera frame (moving content, not static text).
// Runs ffmpeg under `timeout -k`.
#pragma once

#include <string>

namespace livebench {

struct ScreenArea {
  int x = 0, y = 0, width = 0, height = 0;
};

struct ScreenPictures {
  int grabs = -1;    // grabs taken (-1: ffmpeg failed)
  int changes = -1;  // grabs that differ from the one before
  double seconds = 0;
  double perSecond() const { return changes >= 0 && seconds > 0 ? changes / seconds : -1; }
  double grabsPerSecond() const { return grabs >= 0 && seconds > 0 ? grabs / seconds : -1; }
};

// Grabs `area` of `display` (":N") for `seconds` (blocks that long);
// `workFile` takes ffmpeg's hashes.
ScreenPictures countScreenPictures(const std::string& display, const ScreenArea& area, int seconds,
                                   const std::string& workFile, int fps = 50);

}  // namespace livebench
