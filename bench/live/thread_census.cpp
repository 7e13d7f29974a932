#include "thread_census.h"

#include <dirent.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <map>

namespace livebench {

namespace {

std::string kindOf(std::string name) {
  size_t end = name.size();
  while (end > 0 && std::isdigit(static_cast<unsigned char>(name[end - 1]))) --end;
  if (end == name.size() || end == 0) return name;
  return name.substr(0, end) + "#";
}

}  // namespace

ThreadCensus threadCensus(pid_t pid) {
  ThreadCensus c;
  const std::string dir = "/proc/" + std::to_string(pid) + "/task";
  std::map<std::string, int> kinds;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d)) {
      if (e->d_name[0] == '.') continue;
      std::ifstream in(dir + "/" + e->d_name + "/comm");
      std::string name;
      if (!std::getline(in, name)) continue;  // ended meanwhile
      ++kinds[kindOf(name)];
      ++c.total;
    }
    closedir(d);
  }
  c.kinds.assign(kinds.begin(), kinds.end());
  std::stable_sort(c.kinds.begin(), c.kinds.end(),
                   [](const auto& a, const auto& b) { return a.second > b.second; });
  return c;
}

std::string describeThreads(const ThreadCensus& c, size_t top) {
  if (c.total == 0) return "n/a";
  std::string out = std::to_string(c.total) + " threads:";
  for (size_t i = 0; i < c.kinds.size() && i < top; ++i)
    out += (i ? ", " : " ") + c.kinds[i].first + " " + std::to_string(c.kinds[i].second);
  if (c.kinds.size() > top) out += ", " + std::to_string(c.kinds.size() - top) + " other kinds";
  return out;
}

}  // namespace livebench
