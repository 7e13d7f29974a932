#include "netns_test.h"
#include "private_netns.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

// The suite runs inside the private namespace of scripts/test.sh.
TEST(NetnsGuard, PassesInsideThePrivateNamespace) {
  REQUIRE_PRIVATE_NETNS();
  std::string why;
  EXPECT_TRUE(netns::inPrivateNamespace(&why)) << why;
}

// Outside a namespace the process shares PID 1's namespace: seen here by
// comparing our namespace with itself.
TEST(NetnsGuard, FailsWhenSharingTheInitNamespace) {
  std::string why;
  EXPECT_FALSE(netns::inPrivateNamespace(&why, "/proc/self/ns/net", "/proc/self/ns/net"));
  EXPECT_NE(why.find("PID 1"), std::string::npos) << why;
}

TEST(NetnsGuard, FailsWhenOwnNamespaceUnreadable) {
  std::string why;
  EXPECT_FALSE(netns::inPrivateNamespace(&why, "/nonexistent/self", "/proc/1/ns/net"));
  EXPECT_FALSE(why.empty());
}

// When PID 1 cannot be inspected, only lo and our own cv* links are allowed.
TEST(NetnsGuard, FallbackJudgesByInterfaces) {
  const fs::path file = fs::temp_directory_path() / ("netns_guard_" + std::to_string(::getpid()));
  const char* header =
      "Inter-|   Receive                            |  Transmit\n"
      " face |bytes    packets errs drop fifo frame |bytes    packets\n";
  const struct {
    const char* interfaces;
    bool privateNs;
  } cases[] = {
      {"    lo: 0 0 0 0 0 0 0 0 0 0\ncvlan0: 0 0 0 0 0 0 0 0 0 0\n", true},
      {"    lo: 0 0 0 0 0 0 0 0 0 0\n  eth0: 0 0 0 0 0 0 0 0 0 0\n", false},
      {"", false},
  };
  for (const auto& c : cases) {
    std::ofstream(file) << header << c.interfaces;
    std::string why;
    EXPECT_EQ(netns::inPrivateNamespace(&why, "/proc/self/ns/net", "/nonexistent/init", file.c_str()),
              c.privateNs)
        << c.interfaces << " / " << why;
  }
  fs::remove(file);
}
