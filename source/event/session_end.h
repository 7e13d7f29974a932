// What both ways out of a signed-in period do to the cameras and groups
// (sign-out: the user menu or the cloud's 1011; closing the window with
// Yes, or a termination signal): every play stops (recordings finished),
// every camera's link ends with no connect after it, and the PTZ pads,
// top-level dialogs of their own, close. The main window's sign-out and
// close slots call it; the cameras and groups themselves go later (the
// program entry, once the event loop has ended).
//
// It holds the main window's lists by reference: the window owns them,
// and this object lives and dies with the window. GUI thread only.
#pragma once

#include <QList>

class QuadWindowDevice;
class oneWindowDevice;

class SessionEnd {
 public:
  SessionEnd(const QList<oneWindowDevice*>& cameras, const QList<QuadWindowDevice*>& groups)
      : cameras_(cameras), groups_(groups) {}

  // Every camera's video and sound, then every group.
  void stopEveryPlay();
  // Every camera's link ends and no connect attempt follows.
  void endEveryLink();
  // The cameras' PTZ pads close.
  void closePtzPads();

 private:
  const QList<oneWindowDevice*>& cameras_;
  const QList<QuadWindowDevice*>& groups_;
};
