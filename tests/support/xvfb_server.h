// A private X server for window tests: Xvfb started by the test itself
// inside its private network namespace (its abstract socket belongs to that
// namespace), on a display number claimed machine-wide (a lock file), so
// parallel tests never collide, whatever namespace they run in. It ends with the test process (PDEATHSIG), when the object
// goes away, and by itself after a time limit.
#pragma once

#include <string>

#include "child_process.h"

namespace testsupport {

class XvfbServer {
 public:
  XvfbServer() = default;
  ~XvfbServer() { stop(); }
  XvfbServer(const XvfbServer&) = delete;
  XvfbServer& operator=(const XvfbServer&) = delete;

  // Starts a screen of width x height x 24 bits and waits (bounded) until
  // it accepts clients. False with `error` set when it cannot.
  bool start(int width, int height, std::string* error, int lifetimeSeconds = 600);
  void stop();

  // ":N" while running, else empty.
  const std::string& display() const { return display_; }
  // Sets DISPLAY for this process (and the children it starts), with no
  // desktop session bus: Qt on X asks for the session bus (its
  // accessibility bridge), and libdbus, finding no bus address but a
  // DISPLAY, forks to run dbus-launch for that display. That would start a
  // bus daemon outliving the test where dbus-launch is installed; where it
  // is not, libdbus leaks the buffer it read the child's answer into. A bus
  // address that cannot exist makes the connection fail at once.
  void exportDisplay() const;

  // Writes a PNG of the whole screen, or of one window (X id), using
  // ImageMagick's `import`. False with `error` set when it fails.
  bool screenshot(const std::string& pngPath, std::string* error,
                  unsigned long windowId = 0) const;

 private:
  void releaseClaim();

  testworld::ChildProcess process_;
  std::string display_;
  int claimFd_ = -1;  // the display number's claim (see xvfb_server.cpp)
};

// Width and height from a PNG file's header; false when it is not a PNG.
bool pngSize(const std::string& path, int* width, int* height);

// The X server of a test program built with xvfb_app_main.cpp (null in
// other programs).
extern XvfbServer* xvfbServer;

// Runs a command line through /bin/sh with DISPLAY as given and a time limit;
// its exit status (or -1 when it could not run or timed out).
int runWithDisplay(const std::string& display, const std::string& commandLine,
                   int timeoutSeconds = 30);

}  // namespace testsupport
