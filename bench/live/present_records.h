// The program's present log (CAMVIEWER_PRESENT_LOG, see
// source/device/present_log.h) read back: one record per picture presented,
// with its camera, the packet's arrival and the present on the steady clock
// (the bench's own nowMs()), and the pictures skipped at that tick.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace livebench {

struct Present {
  std::string camera;
  double arrival = 0, present = 0;  // ms, steady clock
  int skipped = 0;
};

// Every whole line of the file so far (the program flushes every 25 lines).
std::vector<Present> readPresents(const std::string& path);

// The presents in [from, to): receive-to-present delays, pictures per
// camera, the pictures skipped.
struct PresentWindow {
  std::vector<double> delays;
  std::map<std::string, int> perCamera;
  int skipped = 0;
};
PresentWindow presentsIn(const std::vector<Present>& all, double from, double to);

// The longest time in [from, to) without a present of `camera`: between two
// presents, or from `from` to the first, or from the last to `to` (a
// camera that presents nothing has the whole window as its gap). ms.
double longestPresentGap(const std::vector<Present>& all, const std::string& camera, double from, double to);

// The steady time of each camera's first present at or after `from`.
std::map<std::string, double> firstPresents(const std::vector<Present>& all, double from);

}  // namespace livebench
