// The two list pages of the main window (cameras, groups) and how the
// navigation column looks on each: icons and colours of the two page
// buttons and their captions, and which list is shown. The camera page's
// look is also the look right after construction.
#pragma once

enum class NavigationPage { Camera, Group };

struct NavigationLook {
  const char* cameraIcon;
  const char* cameraButtonStyle;
  const char* cameraLabelStyle;
  const char* quadIcon;
  const char* quadButtonStyle;
  const char* quadLabelStyle;
  bool cameraListShown;  // title and camera list shown, group list hidden (else the reverse)
  // Design size of the caption of the page shown (camera: cameraLabel, group: quadLabel).
  int shownLabelWidth;
  int shownLabelHeight;
};

NavigationLook navigationLook(NavigationPage page);

// The page buttons act only once the camera list has been built: until then
// the log text of the refused button, else null.
const char* navigationRefusal(NavigationPage page, bool deviceListLoaded);
