#include "http_command/retry_policy.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct FakeClock {
  qint64 now = 0;
  RetryPolicy::Clock fn() {
    return [this] { return now; };
  }
};

}  // namespace

TEST(RetryPolicy, DelaysDoubleFromOneSecondUpToThirtyWithoutLimit) {
  FakeClock clock;
  RetryPolicy policy(clock.fn());
  const qint64 expected[] = {0, 1000, 2000, 4000, 8000, 16000, 30000, 30000, 30000, 30000};
  for (qint64 delay : expected) EXPECT_EQ(policy.onFailure(), delay);
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(policy.onFailure(), 30000);
  EXPECT_FALSE(policy.gaveUp());
}

TEST(RetryPolicy, SuccessStartsOver) {
  FakeClock clock;
  RetryPolicy policy(clock.fn());
  for (qint64 delay : {0, 1000, 2000}) EXPECT_EQ(policy.onFailure(), delay);
  policy.onSuccess();
  EXPECT_EQ(policy.consecutiveFailures(), 0);
  EXPECT_EQ(policy.onFailure(), 0);
  EXPECT_EQ(policy.onFailure(), 1000);
}

TEST(RetryPolicy, GivesUpAfterTheCountUntilReset) {
  FakeClock clock;
  RetryPolicy policy(clock.fn(), 5);
  const qint64 expected[] = {0, 1000, 2000, 4000, RetryPolicy::kGiveUp, RetryPolicy::kGiveUp};
  for (qint64 delay : expected) EXPECT_EQ(policy.onFailure(), delay);
  EXPECT_TRUE(policy.gaveUp());
  EXPECT_FALSE(policy.schedule(0));
  EXPECT_FALSE(policy.isPending());
  policy.reset();
  EXPECT_FALSE(policy.gaveUp());
  EXPECT_EQ(policy.onFailure(), 0);
}

TEST(RetryPolicy, OnePendingResendPerCall) {
  FakeClock clock;
  clock.now = 100;
  RetryPolicy policy(clock.fn());
  EXPECT_FALSE(policy.fire());  // a stray timer sends nothing
  EXPECT_TRUE(policy.schedule(1000));
  EXPECT_FALSE(policy.schedule(0));  // the second failure does not add a resend
  EXPECT_EQ(policy.dueAt(), 1100);
  clock.now = 1099;
  EXPECT_FALSE(policy.isDue());
  clock.now = 1100;
  EXPECT_TRUE(policy.isDue());
  EXPECT_TRUE(policy.fire());
  EXPECT_FALSE(policy.fire());
  EXPECT_FALSE(policy.schedule(-1));

  EXPECT_TRUE(policy.schedule(0));
  policy.cancel();  // sign-out
  EXPECT_FALSE(policy.isPending());
  EXPECT_FALSE(policy.fire());
}

// A call that fails every time (a refused connection answers at once): the
// attempts in the first 10 s, the first one included.
TEST(RetryPolicy, PersistentFailureIsNoStorm) {
  FakeClock clock;
  RetryPolicy policy(clock.fn());
  std::vector<qint64> attempts;
  for (int guard = 0; guard < 100 && clock.now < 10000; ++guard) {
    attempts.push_back(clock.now);
    ASSERT_TRUE(policy.schedule(policy.onFailure()));
    clock.now = policy.dueAt();
    ASSERT_TRUE(policy.isDue());
    ASSERT_TRUE(policy.fire());
  }
  EXPECT_EQ(attempts, (std::vector<qint64>{0, 0, 1000, 3000, 7000}));
}
