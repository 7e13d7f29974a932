// Whether a camera's link broke under it and came back, told report by
// report (the E_CONN_STATUS values the device link sends). A camera that
// dies or restarts is noticed by the transport after its keep-alives: the
// link reports a state other than Online (10), the connect timer links
// again, and Online comes back. A play that still runs then asks the camera
// for its streams again by itself; what was recording ends at the loss.
//
//   report                       after                          event
//   not 10                       Online                         Lost
//   10                           a Lost (link not ended on      Back
//                                purpose since)
//   anything else                                               None
//
// A link ended on purpose (APP_disconnect: closing, deleting the camera)
// still reports its loss, but its return is no Back.
#pragma once

#include "device/camera_media.h"

class LinkWatch {
 public:
  enum class Event { None, Lost, Back };

  Event onReport(int state);
  // Called before the link is ended on purpose.
  void endingOnPurpose();

 private:
  bool online_ = false;
  bool lost_ = false;
  bool onPurpose_ = false;
};

// Whether the play a camera started still runs where it was started:
// a single-camera play while the single view is the play area, a group
// cell's play while a group is shown and the camera draws into its cell.
// `playState`: the main window's (E_MAINWINDOW_*).
bool playStillShown(PlayMode mode, bool isPlaying, int playState, bool hasRenderTarget);
