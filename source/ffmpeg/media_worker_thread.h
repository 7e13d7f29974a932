// Base of a camera's four worker threads: a QThread steered by its state
// word (WorkerGate). Starting and stopping never lose a request: the gate is
// set before start(), and a finished run is waited for (bounded) before the
// next one starts.
//
// A worker is given the camera's queues, its counters and its id by
// reference, and reaches the camera for anything else through its host
// (ffmpeg/media_worker_host.h), never through the camera's session. All
// four outlive the worker: the camera stops and waits for every worker
// before it frees any of them.
#pragma once

#include <QString>
#include <QThread>

#include <chrono>
#include <mutex>

#include "ffmpeg/media_counters.h"
#include "ffmpeg/media_worker_host.h"
#include "ffmpeg/worker_gate.h"
#include "p2p/camera_media_queues.h"

// Every run() ends with gate.handOver() (see WorkerGate); owners wait with
// join(), not QThread::wait().
class MediaWorkerThread : public QThread {
 public:
  MediaWorkerThread(CameraMediaQueues& queues, MediaCounters& counters, const QString& deviceId,
                    MediaWorkerHost& host)
      : queues_(queues), counters_(counters), deviceId_(deviceId), host_(host) {}
  // The owner stops the run first; a thread object never dies running.
  ~MediaWorkerThread() override { join(); }

  // Waits for the thread to end (at most waitMs; negative: without limit)
  // and takes over what it did. True when no thread runs any more.
  bool join(int waitMs = -1) {
    const bool ended = waitMs < 0 ? wait() : wait(static_cast<unsigned long>(waitMs));
    if (ended) gate.handOver();
    return ended;
  }

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

 protected:
  CameraMediaQueues& queues_;
  MediaCounters& counters_;
  const QString& deviceId_;
  MediaWorkerHost& host_;

 private:
  std::mutex launchMutex_;
};
