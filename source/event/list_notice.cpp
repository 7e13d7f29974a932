#include "event/list_notice.h"

const char* const ListNotices::kLoading = "Loading the camera list...";
const char* const ListNotices::kRetrying =
    "The camera list could not be loaded. It is asked for again by itself: you can wait, or "
    "sign out from the user menu.";
const char* const ListNotices::kRefused =
    "The camera list could not be loaded: the cloud refused it. You can sign out from the user "
    "menu and sign in again.";
const char* const ListNotices::kGroupsUnreadable =
    "The saved camera groups could not be read from the file group.dat. It is left as it is.";

void ListNotices::sessionStarted() {
  cameraList_ = CameraList::Loading;
  groupsUnreadable_ = false;
}

void ListNotices::cameraListFailed(bool retrying) {
  // A list that is built stays shown.
  if (cameraList_ == CameraList::Built) return;
  cameraList_ = retrying ? CameraList::Retrying : CameraList::Refused;
}

void ListNotices::cameraListBuilt() { cameraList_ = CameraList::Built; }

void ListNotices::setGroupsUnreadable(bool unreadable) { groupsUnreadable_ = unreadable; }

void ListNotices::sessionEnded() {
  cameraList_ = CameraList::NoSession;
  groupsUnreadable_ = false;
}

QString ListNotices::text(NavigationPage page) const {
  if (page == NavigationPage::Group) {
    return groupsUnreadable_ ? QString::fromLatin1(kGroupsUnreadable) : QString();
  }
  switch (cameraList_) {
    case CameraList::Loading: return QString::fromLatin1(kLoading);
    case CameraList::Retrying: return QString::fromLatin1(kRetrying);
    case CameraList::Refused: return QString::fromLatin1(kRefused);
    case CameraList::NoSession:
    case CameraList::Built: break;
  }
  return QString();
}
