#include "present_records.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace livebench {

std::vector<Present> readPresents(const std::string& path) {
  std::vector<Present> out;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) {
    std::istringstream f(line);
    std::string word;
    Present p;
    if (f >> word >> p.camera >> p.arrival >> p.present >> p.skipped && word == "present") out.push_back(p);
  }
  return out;
}

PresentWindow presentsIn(const std::vector<Present>& all, double from, double to) {
  PresentWindow w;
  for (const Present& p : all) {
    if (p.present < from || p.present >= to) continue;
    w.delays.push_back(p.present - p.arrival);
    w.perCamera[p.camera]++;
    w.skipped += p.skipped;
  }
  return w;
}

double longestPresentGap(const std::vector<Present>& all, const std::string& camera, double from, double to) {
  double last = from, longest = 0;
  for (const Present& p : all) {
    if (p.camera != camera || p.present < from || p.present >= to) continue;
    longest = std::max(longest, p.present - last);
    last = p.present;
  }
  return std::max(longest, to - last);
}

std::map<std::string, double> firstPresents(const std::vector<Present>& all, double from) {
  std::map<std::string, double> first;
  for (const Present& p : all)
    if (p.present >= from && !first.count(p.camera)) first[p.camera] = p.present;
  return first;
}

}  // namespace livebench
