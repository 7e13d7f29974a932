#include "world_process.h"

#include <signal.h>
#include <stdlib.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>

WorldProcess::WorldProcess() {
  char tmpl[] = "/tmp/world_test.XXXXXX";
  if (mkdtemp(tmpl)) dir_ = tmpl;
}

WorldProcess::~WorldProcess() {
  process_.stop();
  if (!dir_.empty()) std::system(("rm -rf '" + dir_ + "'").c_str());
}

bool WorldProcess::start(const std::vector<std::string>& extraArgs, std::string* error) {
  std::vector<std::string> args = {WORLD_SCRIPT, "--rendezvous-bin", WORLD_RENDEZVOUS, "--camera-bin", WORLD_CAMERA,
                                   "--clip-cache", WORLD_CLIP_CACHE, "--out", dir_ + "/world"};
  args.insert(args.end(), extraArgs.begin(), extraArgs.end());
  setenv("PYTHONDONTWRITEBYTECODE", "1", 1);
  if (dir_.empty() || !process_.start(PYTHON3_EXECUTABLE, args, error)) return false;
  std::string line;
  // Bounded: making the 1080p clips the first time takes a while on a busy machine.
  if (!waitFor("ready ", 300000, &line)) {
    *error = "the world did not get ready:\n" + transcript();
    return false;
  }
  return rereadEnv(error);
}

bool WorldProcess::rereadEnv(std::string* error) {
  world::WorldEnv env;
  if (!world::readWorldEnv(dir_ + "/world/world.env", &env, error)) return false;
  env_ = env;
  return true;
}

bool WorldProcess::waitFor(const std::string& prefix, int timeoutMs, std::string* line) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
    std::string l;
    if (left.count() <= 0 || !process_.readLine(&l, int(left.count()))) return false;
    lines_.push_back(l);
    if (l.compare(0, prefix.size(), prefix) == 0) {
      if (line) *line = l;
      return true;
    }
  }
}

int WorldProcess::waitExit(int timeoutMs) {
  std::string l;
  while (process_.readLine(&l, 0)) lines_.push_back(l);
  const int status = process_.wait(timeoutMs);
  while (process_.readLine(&l, 100)) lines_.push_back(l);
  return status;
}

std::string WorldProcess::transcript() const {
  std::string out;
  for (const std::string& l : lines_) out += "  | " + l + "\n";
  std::ifstream log(dir_ + "/world/world.log");
  std::stringstream s;
  s << log.rdbuf();
  return out + "world.log:\n" + s.str();
}

bool WorldProcess::gone(pid_t pid) {
  if (pid <= 0) return true;
  if (kill(pid, 0) != 0 && errno == ESRCH) return true;
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text;
  std::getline(stat, text);
  const size_t paren = text.rfind(')');
  return text.empty() || (paren != std::string::npos && paren + 2 < text.size() && text[paren + 2] == 'Z');
}
