// The state word that steers one worker thread of a camera, with its own
// mutex: 0 running (producers may queue for it), 2 stop requested, 1 ended.
//
// Who writes what:
//   open()         the play operations, before the thread is started, so a
//                  stop that comes before the thread runs is never lost;
//   requestStop()  the stop operations (any time, also before start);
//   continueRun()  the thread at the top of each loop pass: a pending stop
//                  turns into 1 under the mutex, and the thread leaves;
//   notify()       producers after queueing, so a waiting thread wakes.
// The thread waits for work on the gate's condition (bounded) instead of
// polling; a stop wakes it at once.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

class WorkerGate {
 public:
  enum State : int { Running = 0, Ended = 1, StopRequested = 2 };

  WorkerGate() = default;
  WorkerGate(const WorkerGate&) = delete;
  WorkerGate& operator=(const WorkerGate&) = delete;

  int state() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return state_;
  }
  // Producers queue only while this is true.
  bool accepting() const { return state() == Running; }

  void open() { set(Running); }
  void requestStop() { set(StopRequested); }

  // A run is under way from markRunStarted() until continueRun() or
  // endRun() ends it (the thread may still be tidying up afterwards).
  void markRunStarted() {
    std::lock_guard<std::mutex> lock(mutex_);
    runActive_ = true;
  }
  bool runActive() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return runActive_;
  }

  // The thread's loop test: true to go on; false (state now 1) when a stop
  // was requested or the state is not Running.
  bool continueRun() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (state_ == Running) return true;
    state_ = Ended;
    runActive_ = false;
    cond_.notify_all();
    return false;
  }
  // The thread leaves on its own (a failure, a time limit): state 1.
  void endRun() {
    std::lock_guard<std::mutex> lock(mutex_);
    state_ = Ended;
    runActive_ = false;
    cond_.notify_all();
  }

  // The thread's last step, and the joiner's first after QThread::wait():
  // a hand-over through this mutex, so everything the thread did is seen by
  // whoever waited for it (also by ThreadSanitizer, which cannot look into
  // Qt's own join).
  void handOver() { std::lock_guard<std::mutex> lock(mutex_); }

  void notify() {
    { std::lock_guard<std::mutex> lock(mutex_); }
    cond_.notify_all();
  }

  // Waits until hasWork() is true, the state leaves Running, or `timeout`
  // passes. hasWork() runs under the gate's mutex (it may take a queue's
  // mutex: producers never hold a queue mutex while they notify).
  template <typename HasWork>
  void waitForWork(HasWork hasWork, std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(mutex_);
    cond_.wait_for(lock, timeout, [&] { return state_ != Running || hasWork(); });
  }
  // Sleeps up to `timeout`, returning early (true) when a stop is requested.
  bool sleepUnlessStopped(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(mutex_);
    return cond_.wait_for(lock, timeout, [&] { return state_ != Running; });
  }

 private:
  void set(int s) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      state_ = s;
    }
    cond_.notify_all();
  }

  mutable std::mutex mutex_;
  std::condition_variable cond_;
  int state_ = Ended;  // nothing runs and nothing is queued until a play opens the gate
  bool runActive_ = false;
};
