#include "x_desktop.h"

#include <X11/Xlib.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "poll_until.h"
#include "xvfb_server.h"

namespace testsupport {

namespace {

std::string shellQuoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

}  // namespace

XDesktop::XDesktop(std::string display, std::string scratchDir)
    : display_(std::move(display)), scratch_(std::move(scratchDir)) {}

int XDesktop::run(const std::string& command, int timeoutSeconds) const {
  return testsupport::runWithDisplay(display_, command, timeoutSeconds);
}

std::vector<XWindow> XDesktop::windows() const {
  const std::string file = scratch_ + "/windows.txt";
  // One line per visible window: id x y width height name.
  run("for w in $(xdotool search --onlyvisible --name '' 2>/dev/null); do "
      "g=$(xdotool getwindowgeometry --shell $w) || continue; eval \"$g\"; "
      "echo \"$w $X $Y $WIDTH $HEIGHT $(xdotool getwindowname $w)\"; done > " +
      shellQuoted(file));
  std::vector<XWindow> out;
  std::ifstream in(file);
  for (std::string line; std::getline(in, line);) {
    std::istringstream fields(line);
    XWindow w;
    if (!(fields >> w.id >> w.x >> w.y >> w.width >> w.height)) continue;
    std::getline(fields >> std::ws, w.name);
    out.push_back(w);
  }
  return out;
}

bool XDesktop::waitForWindow(const std::function<bool(const XWindow&)>& match, int timeoutMs,
                             XWindow* found) const {
  return pollUntil(
      [&] {
        for (const XWindow& w : windows()) {
          if (match(w)) {
            if (found) *found = w;
            return true;
          }
        }
        return false;
      },
      timeoutMs);
}

bool XDesktop::waitUntilGone(const std::function<bool(const XWindow&)>& match,
                             int timeoutMs) const {
  return pollUntil(
      [&] {
        for (const XWindow& w : windows())
          if (match(w)) return false;
        return true;
      },
      timeoutMs);
}

bool XDesktop::click(const XWindow& w, int x, int y) const {
  const std::string id = std::to_string(w.id);
  // The pointer comes from a little aside, as a hand's does: a second click
  // on the same spot without any motion can be lost when a native child
  // window appeared under the pointer in between (Qt on X).
  return run("xdotool windowfocus --sync " + id + " mousemove --window " + id + " " +
             std::to_string(x + 4) + " " + std::to_string(y + 4) + " sleep 0.1 mousemove --sync --window " +
             id + " " + std::to_string(x) + " " + std::to_string(y) + " click 1") == 0;
}

bool XDesktop::move(const XWindow& w, int x, int y) const {
  return run("xdotool mousemove --window " + std::to_string(w.id) + " " +
             std::to_string(x) + " " + std::to_string(y)) == 0;
}

bool XDesktop::replaceText(const XWindow& w, const std::string& text) const {
  const std::string id = std::to_string(w.id);
  return run("xdotool windowfocus --sync " + id + " key ctrl+a BackSpace type --delay 10 " +
             shellQuoted(text)) == 0;
}

bool XDesktop::key(const XWindow& w, const std::string& keys) const {
  const std::string id = std::to_string(w.id);
  return run("xdotool windowfocus --sync " + id + " key " + keys) == 0;
}

bool XDesktop::requestClose(const XWindow& w, std::string* error) const {
  Display* d = XOpenDisplay(display_.c_str());
  if (!d) {
    *error = "cannot open display " + display_;
    return false;
  }
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = w.id;
  e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
  e.xclient.format = 32;
  e.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
  e.xclient.data.l[1] = CurrentTime;
  const Status sent = XSendEvent(d, w.id, False, NoEventMask, &e);
  XSync(d, False);
  XCloseDisplay(d);
  if (!sent) *error = "XSendEvent failed";
  return sent != 0;
}

QImage XDesktop::screenshot(const std::string& keepAs) const {
  const std::string file = keepAs.empty() ? scratch_ + "/screen.png" : keepAs;
  if (run("import -window root " + shellQuoted(file)) != 0) return QImage();
  return QImage(QString::fromStdString(file));
}

}  // namespace testsupport
