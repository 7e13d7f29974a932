#include "event/session_end.h"

#include "device/OneWindowDevice.h"
#include "device/QuadWindowDevice.h"

void SessionEnd::stopEveryPlay() {
  for (oneWindowDevice* camera : cameras_) {
    camera->set_isPlaying(0);
    camera->avideo_stop_play();
  }
  for (QuadWindowDevice* group : groups_) {
    group->set_quadPlaying(0);
    group->stop_all_play();
  }
}

void SessionEnd::endEveryLink() {
  // The link reports its end (state 6) on this thread, which would start
  // the connect timer again: the timer stops after the link has ended.
  for (oneWindowDevice* camera : cameras_) {
    camera->P2P_disconnect();
    camera->P2P_connect_ahead_Thread_timer_stop();
  }
}

void SessionEnd::closePtzPads() {
  for (oneWindowDevice* camera : cameras_) {
    if (camera->wholeRenderWindow) camera->wholeRenderWindow->ptzWindow.close();
  }
}
