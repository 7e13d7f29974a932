// What the list column tells the user while it has no list to show, page
// by page: the camera list on its way, failing (sent for again) or refused
// by the cloud, and stored groups that cannot be read. Each notice says
// what the user can do (wait, or sign out from the user menu); one text
// stands until the state changes, so nothing is repeated per resend.
#pragma once

#include <QString>

#include "event/navigation_page.h"

class ListNotices {
 public:
  enum class CameraList { NoSession, Loading, Retrying, Refused, Built };

  // A session began: its camera list is on its way.
  void sessionStarted();
  // The device list or configuration failed (retrying: sent again by itself).
  void cameraListFailed(bool retrying);
  // The camera list is built.
  void cameraListBuilt();
  // The stored groups could not be read (or could again).
  void setGroupsUnreadable(bool unreadable);
  // Signed out: nothing to tell.
  void sessionEnded();

  // The notice of `page`; empty when there is none.
  QString text(NavigationPage page) const;

  static const char* const kLoading;
  static const char* const kRetrying;
  static const char* const kRefused;
  static const char* const kGroupsUnreadable;

 private:
  CameraList cameraList_ = CameraList::NoSession;
  bool groupsUnreadable_ = false;
};
