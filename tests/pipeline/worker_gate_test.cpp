// The state word of a camera's worker threads: a stop requested before the
// thread runs is not lost, a run that was told to stop ends at its next
// loop test with state 1, and a waiting thread wakes for work and for stops.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "fake_media_host.h"
#include "ffmpeg/media_worker_thread.h"

namespace {

using namespace std::chrono_literals;
using pipelinetest::WorkerWorld;

// A worker that counts its loop passes and waits for "work" between them.
class CountingWorker : public MediaWorkerThread {
 public:
  explicit CountingWorker(WorkerWorld& w) : MediaWorkerThread(w.queues, w.counters, w.deviceId, w.host) {}
  std::atomic<int> passes{0};
  std::atomic<int> work{0};
  std::atomic<bool> ended{false};

 protected:
  void run() override {
    while (gate.continueRun()) {
      ++passes;
      gate.waitForWork([this] { return work.load() > 0; }, 10s);
      if (work.load() > 0) --work;
    }
    ended = true;
    gate.handOver();
  }
};

TEST(WorkerGate, StartsEndedSoNothingIsQueuedBeforeAPlay) {
  WorkerGate g;
  EXPECT_EQ(g.state(), WorkerGate::Ended);
  EXPECT_FALSE(g.accepting());
  g.open();
  EXPECT_TRUE(g.accepting());
}

TEST(WorkerGate, AStopRequestedBeforeTheThreadRunsIsNotLost) {
  WorkerWorld world;
  CountingWorker w(world);
  w.gate.open();
  w.gate.requestStop();  // the play ended before its first frame started the thread
  ASSERT_TRUE(w.launch());
  ASSERT_TRUE(w.join(5000));
  EXPECT_EQ(w.passes.load(), 0);
  EXPECT_EQ(w.gate.state(), WorkerGate::Ended);
  EXPECT_FALSE(w.gate.runActive());
}

TEST(WorkerGate, AWaitingThreadWakesForWorkAndForAStop) {
  WorkerWorld world;
  CountingWorker w(world);
  w.gate.open();
  ASSERT_TRUE(w.launch());
  w.work = 1;
  w.gate.notify();
  const auto deadline = std::chrono::steady_clock::now() + 5s;
  while (w.passes.load() < 2 && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(1ms);
  EXPECT_GE(w.passes.load(), 2) << "the notify did not wake the thread";
  // The thread waits up to 10 s for more work: ending within 5 s means the
  // stop woke it.
  EXPECT_TRUE(w.stopAndWait(5000));
  EXPECT_TRUE(w.ended.load());
  EXPECT_EQ(w.gate.state(), WorkerGate::Ended);
}

TEST(WorkerGate, ALaunchWhileARunGoesOnStartsNoSecondRun) {
  WorkerWorld world;
  CountingWorker w(world);
  w.gate.open();
  ASSERT_TRUE(w.launch());
  ASSERT_TRUE(w.launch());  // the first frame of the next play while this run serves
  EXPECT_TRUE(w.isRunning());
  EXPECT_TRUE(w.stopAndWait(5000));
  // A new play: open, launch, and the thread runs again.
  w.ended = false;
  w.gate.open();
  ASSERT_TRUE(w.launch());
  EXPECT_TRUE(w.gate.runActive());
  EXPECT_TRUE(w.stopAndWait(5000));
  EXPECT_TRUE(w.ended.load());
}

}  // namespace
