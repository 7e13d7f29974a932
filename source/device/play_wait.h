// A play asked for while the camera is not Online waits for it: the play
// view shows the camera's connection badge meanwhile, and the first Online
// report starts the play the same way a click would have, unless the user
// stopped it (or chose another view) in between. Told report by report.
//
//   wait(mode)          a play (single view or group cell) was asked for
//   cancel()            the user stopped it (any stop of the camera)
//   onReport(10, ...)   the play to start now: the waiting mode when its
//                       view is still the one shown (playState) and a group
//                       cell still has its target; None otherwise. Either
//                       way nothing waits afterwards.
//   onReport(other)     None; the play waits on
#pragma once

#include "device/camera_media.h"

class PlayWait {
 public:
  void wait(PlayMode mode) { mode_ = mode; }
  void cancel() { mode_ = PlayMode::None; }
  PlayMode waiting() const { return mode_; }

  // `playState`: the main window's (E_MAINWINDOW_*).
  PlayMode onReport(int state, int playState, bool hasRenderTarget);

 private:
  PlayMode mode_ = PlayMode::None;
};
