// Base of a camera's four worker threads: a QThread steered by its state
// word (WorkerGate). Starting and stopping never lose a request: the gate is
// set before start(), and a finished run is waited for (bounded) before the
// next one starts.
#pragma once

#include <QThread>

#include <chrono>
#include <mutex>

#include "device/worker_gate.h"

class CameraMedia;

class MediaWorkerThread : public QThread {
 public:
  explicit MediaWorkerThread(CameraMedia* device) : media(device) {}
  // The owner stops the run first; a thread object never dies running.
  ~MediaWorkerThread() override { wait(); }

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
    if (isRunning() && !wait(static_cast<unsigned long>(waitMs))) return false;
    gate.markRunStarted();
    start();
    return true;
  }

  // Requests a stop and waits for the thread, at most waitMs (negative:
  // without limit). True when no thread runs any more.
  bool stopAndWait(int waitMs) {
    gate.requestStop();
    if (waitMs < 0) return wait();
    return wait(static_cast<unsigned long>(waitMs));
  }

  // Waits (bounded) until a stopped run has ended and the thread is gone.
  bool waitEnded(int waitMs) {
    std::lock_guard<std::mutex> lock(launchMutex_);
    if (gate.runActive() && gate.state() == WorkerGate::Running) return false;
    return wait(static_cast<unsigned long>(waitMs));
  }

 private:
  std::mutex launchMutex_;
};
