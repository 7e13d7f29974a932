#include "thread_cpu.h"

#include <dirent.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "bench_measures.h"

namespace livebench {

namespace {

std::string kindOf(const std::string& name, bool gui) {
  if (gui) return "GUI";
  if (name.rfind("video decode", 0) == 0 || name.rfind("audio decode", 0) == 0) return "decode";
  if (name.rfind("llvmpipe", 0) == 0) return "render";
  if (name.rfind("tessan", 0) == 0 || name.rfind("vornet", 0) == 0) return "transport";
  return "other";
}

// User + system seconds of one thread from its stat line (fields 14, 15,
// counted after the parenthesised name, which may hold blanks).
double cpuSeconds(const std::string& statLine) {
  const size_t close = statLine.rfind(')');
  if (close == std::string::npos) return 0;
  std::istringstream rest(statLine.substr(close + 2));
  std::string field;
  double utime = 0, stime = 0;
  for (int i = 3; i <= 15 && rest >> field; ++i) {
    if (i == 14) utime = std::atof(field.c_str());
    if (i == 15) stime = std::atof(field.c_str());
  }
  return (utime + stime) / double(sysconf(_SC_CLK_TCK));
}

double switchesOf(const std::string& statusFile) {
  std::ifstream in(statusFile);
  double n = 0;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("voluntary_ctxt_switches:", 0) == 0 || line.rfind("nonvoluntary_ctxt_switches:", 0) == 0)
      n += std::atof(line.c_str() + line.find(':') + 1);
  }
  return n;
}

}  // namespace

ThreadCpuSample sampleThreadCpu(pid_t pid) {
  ThreadCpuSample s;
  s.wallMs = nowMs();
  const std::string dir = "/proc/" + std::to_string(pid) + "/task";
  DIR* d = opendir(dir.c_str());
  if (!d) return s;
  while (dirent* e = readdir(d)) {
    if (e->d_name[0] == '.') continue;
    const std::string task = dir + "/" + e->d_name;
    std::ifstream comm(task + "/comm"), stat(task + "/stat");
    std::string name, line;
    if (!std::getline(comm, name) || !std::getline(stat, line)) continue;  // ended meanwhile
    const bool gui = std::to_string(pid) == e->d_name;
    s.seconds[kindOf(name, gui)] += cpuSeconds(line);
    if (gui) s.guiSwitches = switchesOf(task + "/status");
  }
  closedir(d);
  s.ok = true;
  return s;
}

std::string describeThreadCpu(const ThreadCpuSample& from, const ThreadCpuSample& to) {
  const double secs = (to.wallMs - from.wallMs) / 1000;
  if (!from.ok || !to.ok || secs <= 0) return "n/a";
  std::string out;
  char b[96];
  for (const char* kind : {"decode", "GUI", "render", "transport", "other"}) {
    const auto a = from.seconds.find(kind), z = to.seconds.find(kind);
    const double used = (z == to.seconds.end() ? 0 : z->second) - (a == from.seconds.end() ? 0 : a->second);
    std::snprintf(b, sizeof b, "%s%s %.2f", out.empty() ? "" : ", ", kind, used / secs);
    out += b;
  }
  std::snprintf(b, sizeof b, " cores; GUI thread %.0f wake-ups/s", (to.guiSwitches - from.guiSwitches) / secs);
  return out + b;
}

}  // namespace livebench
