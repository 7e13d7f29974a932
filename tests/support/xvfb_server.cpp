#include "xvfb_server.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <thread>
#include <vector>

namespace testsupport {

namespace {

std::string quoted(const std::string& s) {
  std::string out = "'";
  for (char c : s) {
    if (c == '\'') out += "'\\''";
    else out += c;
  }
  return out + "'";
}

// Display numbers are claimed machine-wide. Servers started in different
// network namespaces do not see each other's (abstract) sockets, so each
// would take display 0 for itself; but they share /tmp/.X11-unix and the
// keymap file compiled at start-up, named after the display
// (/var/lib/xkb/server-N.xkm), and two servers on one number can break each
// other's start. A claim is an flock on /tmp/.camviewer-xvfb-N.lock, held
// while the server runs and dropped by the kernel when the process ends.
constexpr int kFirstDisplay = 200;
constexpr int kDisplays = 1000;

int claimDisplay(int from, int* fd) {
  for (int n = from; n < kFirstDisplay + kDisplays; ++n) {
    const std::string path = "/tmp/.camviewer-xvfb-" + std::to_string(n) + ".lock";
    const int f = open(path.c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0666);
    if (f < 0) continue;
    if (flock(f, LOCK_EX | LOCK_NB) == 0) {
      *fd = f;
      return n;
    }
    close(f);
  }
  return -1;
}

}  // namespace

bool XvfbServer::start(int width, int height, std::string* error, int lifetimeSeconds) {
  stop();
  const std::string screen =
      std::to_string(width) + "x" + std::to_string(height) + "x24";
  // `timeout` bounds its life; it forwards a TERM from us to Xvfb. A
  // number some other server holds (one that does not claim) makes Xvfb
  // end at once: the next number is tried, a few times at most.
  std::string why;
  std::string line;
  int number = kFirstDisplay - 1;
  for (int attempt = 0; attempt < 8 && line.empty(); ++attempt) {
    releaseClaim();
    number = claimDisplay(number + 1, &claimFd_);
    if (number < 0) {
      if (error) *error = "no display number left to claim";
      return false;
    }
    if (!process_.start("/usr/bin/timeout",
                        {std::to_string(lifetimeSeconds), "/usr/bin/Xvfb", ":" + std::to_string(number),
                         "-displayfd", "1", "-screen", "0", screen, "-nolisten", "tcp", "-noreset",
                         "+extension", "RANDR"},
                        &why)) {
      if (error) *error = "cannot start Xvfb: " + why;
      releaseClaim();
      return false;
    }
    if (!process_.readLine(&line, 20000) || line.empty()) {
      line.clear();
      process_.stop();
    }
  }
  if (line.empty()) {
    if (error) *error = "Xvfb reported no display number";
    releaseClaim();
    return false;
  }
  display_ = ":" + line;
  // The display number is written once the server listens; make sure a
  // client really gets through before the test goes on.
  for (int i = 0; i < 100; ++i) {
    if (runWithDisplay(display_, "xdpyinfo >/dev/null 2>&1", 5) == 0) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  if (error) *error = "Xvfb on " + display_ + " accepts no client";
  stop();
  return false;
}

void XvfbServer::stop() {
  process_.stop();
  display_.clear();
  releaseClaim();
}

void XvfbServer::releaseClaim() {
  if (claimFd_ >= 0) close(claimFd_);  // the lock goes with the descriptor
  claimFd_ = -1;
}

void XvfbServer::exportDisplay() const {
  setenv("DISPLAY", display_.c_str(), 1);
  setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/dev/null/no-session-bus", 1);
}

bool XvfbServer::screenshot(const std::string& pngPath, std::string* error,
                            unsigned long windowId) const {
  if (display_.empty()) {
    if (error) *error = "no X server";
    return false;
  }
  const std::string window = windowId ? std::to_string(windowId) : std::string("root");
  const int rc = runWithDisplay(display_, "import -window " + window + " " + quoted(pngPath));
  if (rc != 0) {
    if (error) *error = "import failed with " + std::to_string(rc);
    return false;
  }
  return true;
}

bool pngSize(const std::string& path, int* width, int* height) {
  std::ifstream in(path, std::ios::binary);
  unsigned char h[24];
  if (!in.read(reinterpret_cast<char*>(h), sizeof h)) return false;
  static const unsigned char magic[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  for (int i = 0; i < 8; ++i)
    if (h[i] != magic[i]) return false;
  auto be32 = [&](int at) {
    return static_cast<int>((h[at] << 24) | (h[at + 1] << 16) | (h[at + 2] << 8) | h[at + 3]);
  };
  *width = be32(16);
  *height = be32(20);
  return true;
}

int runWithDisplay(const std::string& display, const std::string& commandLine,
                   int timeoutSeconds) {
  const std::string cmd = "DISPLAY=" + quoted(display) + " timeout " +
                          std::to_string(timeoutSeconds) + " sh -c " + quoted(commandLine);
  const int status = std::system(cmd.c_str());
  if (status == -1 || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

}  // namespace testsupport
