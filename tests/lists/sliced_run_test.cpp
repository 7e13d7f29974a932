// Work done in slices on the event loop: every step once, in order, the
// first slice at once and the rest only when the event loop runs, done()
// once after the last step (and able to start the next run), cancel()
// ending a run without done(). No time budget here: slices of exactly
// `perSlice` steps.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>

#include <vector>

#include "event/sliced_run.h"

namespace {

void runEventLoopOnce() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

TEST(SlicedRun, StepsInOrderASliceAtATimeThenDone) {
  const struct {
    int count, perSlice;
    int stepsAtOnce;  // before the event loop runs
  } cases[] = {{0, 4, 0}, {3, 4, 3}, {4, 4, 4}, {10, 4, 4}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.count);
    SlicedRun run;
    std::vector<int> steps;
    int done = 0;
    run.start(c.count, c.perSlice, 0, [&](int i) { steps.push_back(i); }, [&] { ++done; });
    EXPECT_EQ(int(steps.size()), c.stepsAtOnce);
    EXPECT_EQ(run.running(), c.count > c.perSlice);
    for (int turn = 0; turn < 100 && run.running(); ++turn) {
      const size_t before = steps.size();
      runEventLoopOnce();
      EXPECT_LE(steps.size() - before, size_t(c.perSlice));
    }
    std::vector<int> all;
    for (int i = 0; i < c.count; ++i) all.push_back(i);
    EXPECT_EQ(steps, all);
    EXPECT_EQ(done, 1);
    EXPECT_FALSE(run.running());
  }
}

TEST(SlicedRun, DoneMayStartTheNextRunAndCancelEndsWithoutDone) {
  SlicedRun run;
  std::vector<int> steps;
  int done = 0;
  run.start(
      5, 2, 0, [&](int i) { steps.push_back(i); },
      [&] { run.start(5, 2, 0, [&](int i) { steps.push_back(100 + i); }, [&] { ++done; }); });
  for (int turn = 0; turn < 100 && steps.size() < 7; ++turn) runEventLoopOnce();
  ASSERT_TRUE(run.running());
  run.cancel();
  for (int turn = 0; turn < 5; ++turn) runEventLoopOnce();
  EXPECT_EQ(steps, (std::vector<int>{0, 1, 2, 3, 4, 100, 101}));
  EXPECT_EQ(done, 0);
  EXPECT_FALSE(run.running());
}

}  // namespace
