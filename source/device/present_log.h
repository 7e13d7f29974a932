// The live figures of a run, for the live benchmark: when the environment
// names a file in CAMVIEWER_PRESENT_LOG, every picture presented adds a
// line "present CAMERA ARRIVAL_MS PRESENT_MS SKIPPED" (steady clock, the
// packet's arrival and the present; the pictures skipped at that tick).
// Without it nothing is written and nothing costs.
//
// GUI thread only (the display ticks).
#pragma once

#include <QString>

#include <cstdint>
#include <cstdio>

class PresentLog {
 public:
  // The process's log, or null when none was asked for.
  static PresentLog* instance();
  void note(const QString& camera, int64_t arrivalMs, int64_t presentMs, size_t skipped);

 private:
  explicit PresentLog(std::FILE* f) : file_(f) {}
  std::FILE* file_;
  unsigned lines_ = 0;
};
