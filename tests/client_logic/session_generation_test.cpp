#include "http_command/session_generation.h"

#include <gtest/gtest.h>

TEST(SessionGeneration, RequestsOfAnEndedSessionAreStale) {
  SessionGeneration generation;
  const auto first = generation.current();
  EXPECT_TRUE(generation.isCurrent(first));

  const auto second = generation.bump();  // sign-out
  EXPECT_NE(second, first);
  EXPECT_EQ(generation.current(), second);
  EXPECT_FALSE(generation.isCurrent(first));  // a late device-list reply is dropped
  EXPECT_TRUE(generation.isCurrent(second));

  generation.bump();
  EXPECT_FALSE(generation.isCurrent(first));
  EXPECT_FALSE(generation.isCurrent(second));
}
