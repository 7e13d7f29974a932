#include "bench_measures.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

namespace livebench {

double nowMs() {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

double wallMs() {
  return std::chrono::duration<double, std::milli>(std::chrono::system_clock::now().time_since_epoch()).count();
}

double cpuSeconds(int who) {
  rusage u{};
  getrusage(who, &u);
  return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

namespace {

double statusRssMb(const std::string& path) {
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);)
    if (line.rfind("VmRSS:", 0) == 0) return std::atof(line.c_str() + 6) / 1024.0;
  return -1;
}

// The fields of /proc/PID/stat after the command name; empty when gone.
std::vector<std::string> statFields(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const size_t close = all.rfind(')');
  std::vector<std::string> out;
  if (close == std::string::npos) return out;
  std::istringstream rest(all.substr(close + 2));
  for (std::string f; rest >> f;) out.push_back(f);
  return out;
}

std::string commOf(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/comm");
  std::string c;
  std::getline(in, c);
  return c;
}

}  // namespace

double rssMb() { return statusRssMb("/proc/self/status"); }

double processRssMb(pid_t pid) { return statusRssMb("/proc/" + std::to_string(pid) + "/status"); }

double processCpuSeconds(pid_t pid) {
  const std::vector<std::string> f = statFields(pid);
  // After the name: state(0) ppid(1) ... utime(11) stime(12).
  if (f.size() < 13) return -1;
  return double(std::atoll(f[11].c_str()) + std::atoll(f[12].c_str())) / double(sysconf(_SC_CLK_TCK));
}

std::vector<pid_t> descendantsNamed(const std::string& comm) {
  std::map<pid_t, pid_t> parent;
  if (DIR* d = opendir("/proc")) {
    while (dirent* e = readdir(d)) {
      const pid_t pid = pid_t(std::atoi(e->d_name));
      if (pid <= 0) continue;
      const std::vector<std::string> f = statFields(pid);
      if (f.size() > 1) parent[pid] = pid_t(std::atoi(f[1].c_str()));
    }
    closedir(d);
  }
  std::vector<pid_t> out;
  const pid_t self = getpid();
  for (const auto& [pid, ppid] : parent) {
    pid_t p = ppid;
    for (int depth = 0; depth < 32 && p > 1 && p != self; ++depth) p = parent.count(p) ? parent[p] : 0;
    if (p == self && commOf(pid) == comm) out.push_back(pid);
  }
  return out;
}

double percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[std::min(v.size() - 1, size_t(p * double(v.size() - 1) + 0.5))];
}

std::string figure(double v, int decimals) {
  if (v < 0) return "n/a";
  char b[64];
  std::snprintf(b, sizeof b, "%.*f", decimals, v);
  return b;
}

std::string loadAverages() {
  std::ifstream in("/proc/loadavg");
  std::string one, five, fifteen;
  in >> one >> five >> fifteen;
  return one + " " + five + " " + fifteen;
}

double childCpu(const std::vector<std::string>& args) {
  const pid_t pid = fork();
  if (pid == 0) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    int devnull = open("/dev/null", O_WRONLY);
    dup2(devnull, 1);
    dup2(devnull, 2);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  rusage u{};
  if (pid < 0 || wait4(pid, &status, 0, &u) < 0) return -1;
  if (!WIFEXITED(status) || (WEXITSTATUS(status) != 0 && WEXITSTATUS(status) != 124)) return -1;
  return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

std::string longStream(const std::string& file, int seconds, int clipSeconds) {
  const std::string out = file + ".long-" + std::to_string(seconds);
  std::ifstream in(file, std::ios::binary);
  const std::string clip((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::ofstream o(out, std::ios::binary | std::ios::trunc);
  const int copies = std::max(1, seconds / std::max(1, clipSeconds));
  for (int i = 0; i < copies; ++i) o << clip;
  return out;
}

}  // namespace livebench
