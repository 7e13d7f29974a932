// Base of a camera's four worker threads: a QThread steered by its state
// word (WorkerGate). Starting and stopping never lose a request: the gate is
// set before start(), and a finished run is waited for (bounded) before the
// next one starts.
#pragma once

#include <QThread>

#include <chrono>
#include <mutex>

#include "ffmpeg/worker_gate.h"

class CameraMedia;

// Every run() ends with gate.handOver() (see WorkerGate); owners wait with
// join(), not QThread::wait().
class MediaWorkerThread : public QThread {
 public:
  explicit MediaWorkerThread(CameraMedia* device) : media(device) {}
  // The owner stops the run first; a thread object never dies running.
  ~MediaWorkerThread() override { join(); }

  // Waits for the thread to end (at most waitMs; negative: without limit)
  // and takes over what it did. True when no thread runs any more.
  bool join(int waitMs = -1) {
    const bool ended = waitMs < 0 ? wait() : wait(static_cast<unsigned long>(waitMs));
    if (ended) gate.handOver();
    return ended;
  }

  CameraMedia* const media;  // the camera's session (back pointer)
  WorkerGate gate;

  // Longest wait for work: producers and stops wake a thread at once, this
  // only bounds how long a missed wake-up could cost.
  static constexpr std::chrono::milliseconds kIdleWait{100};

  // Starts a run unless one is under way (then the running one serves). The
  // gate is not changed here: open it first; a stop requested since then
  // ends the new run at its first loop test. A thread still tidying up after
  // its run ended is waited for, at most waitMs; false when it did not end.
  bool launch(int waitMs = 2000) {
    std::lock_guard<std::mutex> lock(launchMutex_);
    if (gate.runActive()) return true;
    if (isRunning() && !join(waitMs)) return false;
    gate.markRunStarted();
    start();
    return true;
  }

  // Requests a stop and waits for the thread, at most waitMs (negative:
  // without limit). True when no thread runs any more.
  bool stopAndWait(int waitMs) {
    gate.requestStop();
    return join(waitMs);
  }

  // Waits (bounded) until a stopped run has ended and the thread is gone.
  bool waitEnded(int waitMs) {
    std::lock_guard<std::mutex> lock(launchMutex_);
    if (gate.runActive() && gate.state() == WorkerGate::Running) return false;
    return join(waitMs);
  }

 private:
  std::mutex launchMutex_;
};
