// A long piece of GUI-thread work done in slices: step(0) .. step(count-1),
// then done(). A slice runs at least `perSlice` steps, and more while it has
// taken less than `budgetMs`; between slices the event loop runs (paints,
// clicks, replies go on). The first slice runs at once, so work of up to
// `perSlice` steps is over when start() returns. done() may start the next
// run. cancel() ends a run without done(). GUI thread only.
#pragma once

#include <QTimer>

#include <functional>

class SlicedRun {
 public:
  SlicedRun();

  void start(int count, int perSlice, int budgetMs, std::function<void(int)> step,
             std::function<void()> done);
  void cancel();
  bool running() const { return running_; }

 private:
  void slice();

  QTimer next_;
  bool running_ = false;
  int count_ = 0;
  int perSlice_ = 1;
  int budgetMs_ = 0;
  int at_ = 0;
  std::function<void(int)> step_;
  std::function<void()> done_;
};
