// NAT detection: the simulated servers force each type 0-4; the listening
// device (its own process, so its detection runs afresh) detects it and
// carries it in its registration, with the local address it found.
#include <gtest/gtest.h>

#include "session_world.h"

namespace world_test {
namespace {

const std::string kServers = "127.0.0.1,127.0.0.2,127.0.0.3";

class NatDetection : public SessionWorld, public ::testing::WithParamInterface<int> {};

TEST_P(NatDetection, TypeIsCarriedInTheRegistration) {
  const int type = GetParam();
  startServers({"--servers", kServers, "--nat", std::to_string(type)});
  const std::string id = "NATTYPE" + std::to_string(type);
  startDevice({"--id", id, "--servers", kServers});
  JsonEntry reg;
  ASSERT_TRUE(awaitRecord("DEV_REG", id, 8000, &reg)) << "the device did not register";
  EXPECT_EQ(reg.n("nat"), type);
  EXPECT_EQ(reg.s("version"), "3.0.9");
  EXPECT_EQ(reg.s("local").substr(0, 10), "127.0.0.1:") << "the local address the detection found";
  EXPECT_EQ(reg.s("local").substr(10), reg.s("from").substr(10)) << "with the session's bound port";
}

INSTANTIATE_TEST_SUITE_P(Types, NatDetection, ::testing::Values(0, 1, 2, 3, 4),
                         [](const ::testing::TestParamInfo<int>& p) { return "Type" + std::to_string(p.param); });

class NatDetectionOff : public SessionWorld {};

// Without detection the registration carries type 0.
TEST_F(NatDetectionOff, RegistersTypeZero) {
  startServers({"--servers", kServers, "--nat", "3"});
  startDevice({"--id", "NATNONE", "--servers", kServers, "--no-detect"});
  JsonEntry reg;
  ASSERT_TRUE(awaitRecord("DEV_REG", "NATNONE", 8000, &reg));
  EXPECT_EQ(reg.n("nat"), 0);
}

}  // namespace
}  // namespace world_test
