// The program's windows as a person sees them on a 3840 x 2160 screen
// (design units are pixels there, and without a window manager every
// top-level window sits where the program puts it): where the fields,
// tiles and buttons are, and the hands that use them through xdotool.
// Every wait is bounded; each action returns false with `why` set when the
// window it needs did not show.
#pragma once

#include <QRect>

#include <functional>
#include <string>
#include <vector>

#include "x_desktop.h"

namespace journey {

// Where things are, in the main window (1920 x 1080 at the screen's top-left).
namespace where {
// The sign-in dialog (640 x 880).
constexpr int kDialogWidth = 640, kDialogHeight = 880;
const QPoint kEmailField(320, 419), kPasswordField(320, 527), kSignInButton(320, 695);
const QPoint kRememberButton(82, 785);
// The camera list: tile n (from 0) of the "Camera" page.
inline QPoint tile(int n) { return QPoint(346, 118 + 232 * n); }
// The navigation column and the user menu (416 x 240, sign-out in its third row).
const QPoint kUserButton(71, 45), kGroupsPage(71, 256), kSignOutInMenu(208, 200);
// The single-camera view: its picture (inside the letterbox), its button bar.
const QRect kPicture(600, 152, 1320, 740);
// The camera's name and clock drawn into the top-left of its picture.
const QRect kPictureClock(610, 160, 420, 60);
const QPoint kPlayButton(624, 1039), kQualityButton(1356, 1039), kSnapshotButton(1512, 1039),
    kRecordButton(1638, 1039);
// The PTZ pad (240 x 240) shows while the mouse is over a PTZ camera's video.
const QPoint kOverVideo(1250, 520), kPadUp(120, 42);
// The group page: "Create Group", the first group's picture; the creation
// dialog (864 x 555): a camera's picture cell n (two per row), name, done.
const QPoint kCreateGroup(369, 32), kFirstGroup(345, 185);
inline QPoint createCell(int n) { return QPoint(n % 2 ? 647 : 215, n / 2 ? 350 : 110); }
const QPoint kGroupName(215, 495), kGroupDone(647, 495);
// The 2x2 grid's cells, beside the group list.
inline QRect gridCell(int n) {
  const QRect all(597, 0, 1323, 1080);
  const int w = all.width() / 2, h = all.height() / 2;
  return QRect(all.x() + (n % 2) * w, all.y() + (n / 2) * h, w, h);
}
}  // namespace where

class ProgramScreen {
 public:
  explicit ProgramScreen(testsupport::XDesktop& desk) : desk_(desk) {}

  // Fills the sign-in dialog and presses "Sign in".
  bool signIn(const std::string& account, const std::string& password, std::string* why);
  bool signInDialogShows(int timeoutMs);
  // Clicks the dialog's "remember me" check button (it toggles).
  bool toggleRememberMe(std::string* why);
  // The main window (1920 x 1080).
  bool mainWindow(testsupport::XWindow* w, std::string* why, int timeoutMs = 60000);
  bool clickInMain(QPoint at, std::string* why);
  // Moves the mouse over the video, waits for the PTZ pad, clicks its up key.
  bool pressPadUp(std::string* why);
  // User menu -> "Sign out".
  bool signOut(std::string* why);
  // "Create Group" on the group page, named `name`, with the cameras of
  // creation cells `first` and `second` (in that order); `beforeDone` runs
  // on the filled dialog.
  bool createGroup(const std::string& name, int first, int second,
                   const std::function<void()>& beforeDone, std::string* why);
  // The same with the cameras of the creation cells `cells` (up to four).
  bool createGroup(const std::string& name, const std::vector<int>& cells,
                   const std::function<void()>& beforeDone, std::string* why);
  // Asks the main window to close (as a window manager would) and answers
  // the question with `yes`.
  bool closeAnswering(bool yes, std::string* why);

 private:
  bool waitFor(const std::function<bool(const testsupport::XWindow&)>& match, int timeoutMs,
               testsupport::XWindow* w, const std::string& what, std::string* why);
  testsupport::XDesktop& desk_;
};

}  // namespace journey
