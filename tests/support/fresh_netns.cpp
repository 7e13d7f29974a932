#include "fresh_netns.h"

#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace testsupport {

namespace {

// Runs `ip` with the arguments, without a shell; true on exit status 0.
bool ip(std::vector<const char*> args) {
  args.insert(args.begin(), "ip");
  args.push_back(nullptr);
  const pid_t pid = fork();
  if (pid < 0) return false;
  if (pid == 0) {
    execvp("ip", const_cast<char* const*>(args.data()));
    _exit(127);
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

std::string enterFreshNetworkNamespace() {
  if (unshare(CLONE_NEWNET) != 0) return std::string("unshare(CLONE_NEWNET): ") + std::strerror(errno);
  const std::vector<std::vector<const char*>> steps = {
      {"link", "set", "lo", "up"},
      {"route", "add", "255.255.255.255/32", "dev", "lo", "src", "127.0.0.1"},
      {"route", "add", "224.0.0.0/4", "dev", "lo", "src", "127.0.0.1"},
      {"link", "add", "cvlan0", "type", "veth", "peer", "name", "cvlan1"},
      {"addr", "add", "192.168.1.23/24", "broadcast", "192.168.1.255", "dev", "cvlan0"},
      {"addr", "add", "192.168.1.24/24", "broadcast", "192.168.1.255", "dev", "cvlan1"},
      {"link", "set", "cvlan0", "up"},
      {"link", "set", "cvlan1", "up"},
      {"link", "add", "cvll0", "type", "veth", "peer", "name", "cvll1"},
      {"addr", "add", "169.254.10.1/16", "broadcast", "169.254.255.255", "dev", "cvll0"},
      {"addr", "add", "169.254.10.2/16", "broadcast", "169.254.255.255", "dev", "cvll1"},
      {"link", "set", "cvll0", "up"},
      {"link", "set", "cvll1", "up"},
  };
  for (const auto& step : steps) {
    if (!ip(step)) {
      std::string cmd = "ip";
      for (const char* a : step) cmd += std::string(" ") + a;
      return "failed: " + cmd;
    }
  }
  return {};
}

}  // namespace testsupport
