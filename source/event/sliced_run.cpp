#include "event/sliced_run.h"

#include <QElapsedTimer>

#include <algorithm>

SlicedRun::SlicedRun() {
  next_.setSingleShot(true);
  next_.setInterval(0);
  QObject::connect(&next_, &QTimer::timeout, [this] { slice(); });
}

void SlicedRun::start(int count, int perSlice, int budgetMs, std::function<void(int)> step,
                      std::function<void()> done) {
  cancel();
  running_ = true;
  count_ = std::max(0, count);
  perSlice_ = std::max(1, perSlice);
  budgetMs_ = std::max(0, budgetMs);
  at_ = 0;
  step_ = std::move(step);
  done_ = std::move(done);
  slice();
}

void SlicedRun::cancel() {
  next_.stop();
  running_ = false;
  step_ = nullptr;
  done_ = nullptr;
}

void SlicedRun::slice() {
  if (!running_) return;
  QElapsedTimer took;
  took.start();
  const int least = std::min(count_, at_ + perSlice_);
  while (running_ && at_ < count_ && (at_ < least || took.elapsed() < budgetMs_)) step_(at_++);
  if (!running_) return;  // a step cancelled the run
  if (at_ < count_) {
    next_.start();
    return;
  }
  running_ = false;
  step_ = nullptr;
  const std::function<void()> done = std::move(done_);
  done_ = nullptr;
  if (done) done();
}
