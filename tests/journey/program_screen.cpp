#include "program_screen.h"

namespace journey {

using testsupport::named;
using testsupport::sized;
using testsupport::XWindow;

bool ProgramScreen::waitFor(const std::function<bool(const XWindow&)>& match, int timeoutMs,
                            XWindow* w, const std::string& what, std::string* why) {
  if (desk_.waitForWindow(match, timeoutMs, w)) return true;
  *why = "no " + what + " within " + std::to_string(timeoutMs / 1000) + " s";
  return false;
}

bool ProgramScreen::signInDialogShows(int timeoutMs) {
  return desk_.waitForWindow(sized(where::kDialogWidth, where::kDialogHeight), timeoutMs, nullptr);
}

bool ProgramScreen::signIn(const std::string& account, const std::string& password,
                           std::string* why) {
  XWindow dialog;
  if (!waitFor(sized(where::kDialogWidth, where::kDialogHeight), 60000, &dialog,
               "sign-in dialog", why))
    return false;
  const bool done =
      desk_.click(dialog, where::kEmailField.x(), where::kEmailField.y()) &&
      desk_.replaceText(dialog, account) &&
      desk_.click(dialog, where::kPasswordField.x(), where::kPasswordField.y()) &&
      desk_.replaceText(dialog, password) &&
      desk_.click(dialog, where::kSignInButton.x(), where::kSignInButton.y());
  if (!done) *why = "xdotool could not fill the sign-in dialog";
  return done;
}

bool ProgramScreen::toggleRememberMe(std::string* why) {
  XWindow dialog;
  if (!waitFor(sized(where::kDialogWidth, where::kDialogHeight), 60000, &dialog,
               "sign-in dialog", why))
    return false;
  if (desk_.click(dialog, where::kRememberButton.x(), where::kRememberButton.y())) return true;
  *why = "xdotool could not click remember me";
  return false;
}

bool ProgramScreen::mainWindow(XWindow* w, std::string* why, int timeoutMs) {
  return waitFor(sized(1920, 1080), timeoutMs, w, "main window", why);
}

bool ProgramScreen::clickInMain(QPoint at, std::string* why) {
  XWindow main;
  if (!mainWindow(&main, why)) return false;
  if (desk_.click(main, at.x(), at.y())) return true;
  *why = "xdotool could not click the main window";
  return false;
}

bool ProgramScreen::pressPadUp(std::string* why) {
  XWindow main, pad;
  if (!mainWindow(&main, why)) return false;
  // Entering the video from outside shows the pad.
  desk_.move(main, where::kOverVideo.x() + 40, where::kOverVideo.y() + 300);
  desk_.move(main, where::kOverVideo.x(), where::kOverVideo.y());
  if (!waitFor(sized(240, 240), 60000, &pad, "PTZ pad", why)) return false;
  if (desk_.click(pad, where::kPadUp.x(), where::kPadUp.y())) return true;
  *why = "xdotool could not click the PTZ pad";
  return false;
}

bool ProgramScreen::signOut(std::string* why) {
  XWindow menu;
  if (!clickInMain(where::kUserButton, why)) return false;
  if (!waitFor(sized(416, 240), 60000, &menu, "user menu", why)) return false;
  if (desk_.click(menu, where::kSignOutInMenu.x(), where::kSignOutInMenu.y())) return true;
  *why = "xdotool could not click the user menu";
  return false;
}

bool ProgramScreen::createGroup(const std::string& name, int first, int second,
                                const std::function<void()>& beforeDone, std::string* why) {
  return createGroup(name, std::vector<int>{first, second}, beforeDone, why);
}

bool ProgramScreen::createGroup(const std::string& name, const std::vector<int>& cells,
                                const std::function<void()>& beforeDone, std::string* why) {
  XWindow dialog;
  if (!clickInMain(where::kGroupsPage, why) || !clickInMain(where::kCreateGroup, why))
    return false;
  if (!waitFor(sized(864, 555), 60000, &dialog, "group creation dialog", why)) return false;
  bool done = desk_.click(dialog, where::kGroupName.x(), where::kGroupName.y()) &&
              desk_.replaceText(dialog, name);
  for (int cell : cells) {
    const QPoint at = where::createCell(cell);
    done = done && desk_.click(dialog, at.x(), at.y());
  }
  if (!done) {
    *why = "xdotool could not fill the group creation dialog";
    return false;
  }
  beforeDone();
  if (!desk_.click(dialog, where::kGroupDone.x(), where::kGroupDone.y())) {
    *why = "xdotool could not press done";
    return false;
  }
  if (desk_.waitUntilGone(sized(864, 555), 60000)) return true;
  *why = "the group creation dialog stays";
  return false;
}

bool ProgramScreen::closeAnswering(bool yes, std::string* why) {
  XWindow main, box;
  if (!mainWindow(&main, why)) return false;
  if (!desk_.requestClose(main, why)) return false;
  if (!waitFor(named("Exit"), 60000, &box, "close question", why)) return false;
  if (!desk_.key(box, yes ? "y" : "n")) {
    *why = "xdotool could not answer";
    return false;
  }
  if (yes || desk_.waitUntilGone(named("Exit"), 60000)) return true;
  *why = "the close question stays";
  return false;
}

}  // namespace journey
