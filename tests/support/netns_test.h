// Network tests call REQUIRE_PRIVATE_NETNS() first: the test fails loudly
// (and stops) when the process is not inside a private network namespace,
// so no test can send a broadcast, multicast, punch or ping onto a real network.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace testsupport {
// Empty when inside a private namespace, else the reason it is not.
std::string privateNamespaceProblem();
}  // namespace testsupport

#define REQUIRE_PRIVATE_NETNS()                                                           \
  do {                                                                                    \
    const std::string problem_ = ::testsupport::privateNamespaceProblem();                \
    ASSERT_TRUE(problem_.empty())                                                         \
        << "NOT INSIDE A PRIVATE NETWORK NAMESPACE: " << problem_                         \
        << ". Network tests run only through scripts/test.sh or scripts/netns.sh.";       \
  } while (0)
