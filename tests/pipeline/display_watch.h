// What a live play's display did at each of its ticks, to judge the
// pictures it passed over against what reached it, not against the clock.
//
// The display shows the newest picture that is due and passes over the
// older ones (picturesSkipped). With the camera's pictures a frame interval
// apart and a tick every few ms, that happens only when the display had
// cause: its tick came late (the GUI thread waited for a core), or pictures
// became ready together (the link or the decoder caught up after a wait).
// A busy machine gives cause often; a display that passes over pictures
// for its own reasons (ticks too far apart, pictures due too late) passes
// them over at ticks that came on time with one picture new.
//
// GUI thread; follows `media.videoTimer` from its construction on.
#pragma once

#include <QObject>

#include <cstdint>

class CameraMedia;

namespace pipelinetest {

class DisplayWatch {
 public:
  // `framePeriodMs`: the camera's picture interval.
  DisplayWatch(CameraMedia& media, int framePeriodMs);
  DisplayWatch(const DisplayWatch&) = delete;
  DisplayWatch& operator=(const DisplayWatch&) = delete;

  struct Counts {
    uint64_t ticks = 0;
    uint64_t passedOver = 0;        // pictures skipped for a newer one
    uint64_t passedOverOnTime = 0;  // of those, at ticks without cause
  };
  // Since construction.
  Counts counts() const { return counts_; }

 private:
  void tick();

  CameraMedia& media_;
  const int framePeriodMs_;
  QObject context_;
  Counts counts_;
  bool ticked_ = false;
  int64_t lastMs_ = 0;
  int lastInterval_ = 0;
  uint64_t lastSkipped_ = 0, lastDecoded_ = 0;
};

}  // namespace pipelinetest
