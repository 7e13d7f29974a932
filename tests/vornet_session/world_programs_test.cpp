// The rendezvous program and the listening device as programs: they come
// up, stop by themselves at the end of their lifetime, and refuse bad
// switches.
#include <gtest/gtest.h>

#include "fresh_netns.h"
#include "netns_test.h"
#include "session_world.h"

namespace world_test {
namespace {

class WorldPrograms : public ::testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_PRIVATE_NETNS();
    ASSERT_EQ(testsupport::enterFreshNetworkNamespace(), "");
  }
};

struct ProgramCase {
  const char* program;
  std::vector<std::string> args;
  const char* firstLine;  // what it prints once it is up
};

TEST_F(WorldPrograms, StopByThemselvesAtTheEndOfTheirLifetime) {
  const ProgramCase cases[] = {
      {RENDEZVOUS_PROGRAM, {"--lifetime", "1", "--relay", "127.0.0.1:60800"}, "ready 127.0.0.1:60722 127.0.0.1:60800"},
      {LISTEN_DEVICE_PROGRAM, {"--id", "ALONE", "--lifetime", "1", "--no-detect"}, "\"listening\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.program);
    ChildProcess p;
    std::string error;
    ASSERT_TRUE(p.start(c.program, c.args, &error)) << error;
    ASSERT_TRUE(p.waitFor(c.firstLine, 60000));
    const Stopwatch sw;
    EXPECT_EQ(p.wait(4000), 0) << "did not end by itself";
    EXPECT_GE(sw.ms(), 500);
  }
}

TEST_F(WorldPrograms, RefuseBadSwitches) {
  const std::vector<std::pair<const char*, std::vector<std::string>>> cases = {
      {RENDEZVOUS_PROGRAM, {"--nat", "9"}},
      {RENDEZVOUS_PROGRAM, {"--lifetime", "100000"}},
      {LISTEN_DEVICE_PROGRAM, {"--lifetime", "5"}},  // no --id
      {LISTEN_DEVICE_PROGRAM, {"--id", "X", "--wait", "0"}},
      {LISTEN_DEVICE_PROGRAM, {"--id", "X", "--sessions", "129"}},
  };
  for (const auto& [program, args] : cases) {
    SCOPED_TRACE(::testing::PrintToString(args));
    ChildProcess p;
    std::string error;
    ASSERT_TRUE(p.start(program, args, &error)) << error;
    EXPECT_EQ(p.wait(3000), 2);
  }
}

TEST_F(WorldPrograms, RendezvousStopsOnSigterm) {
  ChildProcess p;
  std::string error;
  ASSERT_TRUE(p.start(RENDEZVOUS_PROGRAM, {"--lifetime", "60"}, &error)) << error;
  ASSERT_TRUE(p.waitFor("ready", 60000));
  const Stopwatch sw;
  EXPECT_EQ(p.stop(), 0);
  EXPECT_LT(sw.ms(), 60000) << "SIGTERM was not acted on";
}

}  // namespace
}  // namespace world_test
