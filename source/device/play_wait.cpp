#include "device/play_wait.h"

#include "Tessan.h"

PlayMode PlayWait::onReport(int state, int playState, bool hasRenderTarget) {
  if (state != E_CONN_STATUS_ONLINE || mode_ == PlayMode::None) return PlayMode::None;
  const PlayMode mode = mode_;
  mode_ = PlayMode::None;
  // PlayMode's values are the playState values of the same views.
  if (playState != int(mode)) return PlayMode::None;
  if (mode == PlayMode::Group && !hasRenderTarget) return PlayMode::None;
  return mode;
}
