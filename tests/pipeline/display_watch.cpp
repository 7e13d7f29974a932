#include "display_watch.h"

#include <chrono>

#include "device/camera_media.h"

namespace pipelinetest {

DisplayWatch::DisplayWatch(CameraMedia& media, int framePeriodMs) : media_(media), framePeriodMs_(framePeriodMs) {
  // Connected after the media's own handler: runs right after each tick.
  QObject::connect(&media_.videoTimer, &QTimer::timeout, &context_, [this] { tick(); });
}

void DisplayWatch::tick() {
  const int64_t now = std::chrono::duration_cast<std::chrono::milliseconds>(
                          std::chrono::steady_clock::now().time_since_epoch())
                          .count();
  const uint64_t skipped = media_.counters.picturesSkipped.load();
  const uint64_t decoded = media_.counters.videoDecoded.load();
  if (ticked_) {
    ++counts_.ticks;
    const uint64_t passed = skipped - lastSkipped_;
    const int64_t gap = now - lastMs_;
    // Later than asked by half a picture interval.
    const bool late = gap > lastInterval_ + framePeriodMs_ / 2;
    // Pictures that became ready within less than an interval of each other.
    const bool together = decoded - lastDecoded_ > 1 && gap <= framePeriodMs_;
    counts_.passedOver += passed;
    if (!late && !together) counts_.passedOverOnTime += passed;
  }
  ticked_ = true;
  lastMs_ = now;
  lastInterval_ = media_.videoTimer.interval();
  lastSkipped_ = skipped;
  lastDecoded_ = decoded;
}

}  // namespace pipelinetest
