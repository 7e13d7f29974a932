#include "device/live_watch.h"

void LiveWatch::start(int64_t nowMs, uint64_t shown) {
  running_ = true;
  live_ = true;
  lastChangeMs_ = nowMs;
  lastShown_ = shown;
}

LiveWatch::Event LiveWatch::check(int64_t nowMs, uint64_t shown) {
  if (!running_) return Event::None;
  if (shown != lastShown_) {
    lastShown_ = shown;
    lastChangeMs_ = nowMs;
    if (live_) return Event::None;
    live_ = true;
    return Event::LiveAgain;
  }
  if (live_ && nowMs - lastChangeMs_ >= kStallMs) {
    live_ = false;
    return Event::NotLive;
  }
  return Event::None;
}
