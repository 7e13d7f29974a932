#include "device/link_watch.h"

#include "Tessan.h"

LinkWatch::Event LinkWatch::onReport(int state) {
  if (state == E_CONN_STATUS_ONLINE) {
    const bool back = lost_ && !onPurpose_;
    online_ = true;
    lost_ = false;
    onPurpose_ = false;
    return back ? Event::Back : Event::None;
  }
  if (!online_) return Event::None;
  online_ = false;
  lost_ = true;
  return Event::Lost;
}

void LinkWatch::endingOnPurpose() { onPurpose_ = true; }

bool playStillShown(PlayMode mode, bool isPlaying, int playState, bool hasRenderTarget) {
  // PlayMode's values are the playState values of the same views.
  if (!isPlaying || playState != int(mode)) return false;
  switch (mode) {
    case PlayMode::Single: return true;
    case PlayMode::Group: return hasRenderTarget;
    case PlayMode::None: return false;
  }
  return false;
}
