// The test's hands and eyes on a private X server without a window
// manager, for driving a program that runs as a child process: the visible
// top-level windows (id, name, place, size), clicks and keys through
// xdotool, the close request a window manager would send (WM_DELETE_WINDOW),
// and screenshots. Every wait is bounded.
#pragma once

#include <QImage>

#include <functional>
#include <string>
#include <vector>

namespace testsupport {

struct XWindow {
  unsigned long id = 0;
  std::string name;
  int x = 0, y = 0, width = 0, height = 0;
};

class XDesktop {
 public:
  // `display` ":N"; `scratchDir` takes the helper files.
  XDesktop(std::string display, std::string scratchDir);

  std::vector<XWindow> windows() const;
  // The first visible window for which `match` holds, within timeoutMs.
  bool waitForWindow(const std::function<bool(const XWindow&)>& match, int timeoutMs,
                     XWindow* found) const;
  // True once no visible window matches (within timeoutMs).
  bool waitUntilGone(const std::function<bool(const XWindow&)>& match, int timeoutMs) const;

  // Focus `w`, then a left click at (x, y) inside it.
  bool click(const XWindow& w, int x, int y) const;
  // Moves the mouse to (x, y) inside `w`.
  bool move(const XWindow& w, int x, int y) const;
  // Focus `w`, then select all in the focused field and type `text` over it.
  bool replaceText(const XWindow& w, const std::string& text) const;
  // Focus `w`, then press `keys` (xdotool key names).
  bool key(const XWindow& w, const std::string& keys) const;
  // The window manager's close request (WM_PROTOCOLS / WM_DELETE_WINDOW).
  bool requestClose(const XWindow& w, std::string* error) const;

  // The whole screen (also kept at `keepAs` when not empty).
  QImage screenshot(const std::string& keepAs = std::string()) const;

 private:
  int run(const std::string& command, int timeoutSeconds = 30) const;

  std::string display_;
  std::string scratch_;
};

// A window of this exact size (the program's windows have fixed sizes).
inline std::function<bool(const XWindow&)> sized(int width, int height) {
  return [=](const XWindow& w) { return w.width == width && w.height == height; };
}
inline std::function<bool(const XWindow&)> named(const std::string& name) {
  return [=](const XWindow& w) { return w.name == name; };
}

}  // namespace testsupport
