// Switches of the simulated rendezvous program.
#include "rendezvous_config.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

namespace world_test {
namespace {

using rendezvous::Config;

std::string parse(std::vector<std::string> args, Config* c) {
  std::vector<const char*> argv{"rendezvous"};
  for (const auto& a : args) argv.push_back(a.c_str());
  return rendezvous::parse_config(static_cast<int>(argv.size()), argv.data(), c);
}

TEST(RendezvousConfig, Defaults) {
  Config c;
  ASSERT_EQ(parse({}, &c), "");
  ASSERT_EQ(c.servers.size(), 1u);
  EXPECT_EQ(c.servers[0].s_addr, inet_addr("127.0.0.1"));
  EXPECT_EQ(c.serverPort, 60722);
  EXPECT_EQ(c.nat, rendezvous::NatMode::SamePort);
  EXPECT_FALSE(c.relayEnabled);
  EXPECT_EQ(c.relayAlgorithm, 1);
  EXPECT_EQ(c.lifetimeSeconds, 120u);
  EXPECT_EQ(rendezvous::p2p_code(c, "X", true), 0);
  EXPECT_EQ(rendezvous::p2p_code(c, "X", false), -2);
  EXPECT_EQ(rendezvous::registration_code(c, "X"), 0);
}

TEST(RendezvousConfig, EverySwitchTakesEffect) {
  Config c;
  ASSERT_EQ(parse({"--servers", "127.0.0.1,127.0.0.2", "--port", "61000", "--nat", "3", "--reg-code", "A=-1",
                   "--p2p-code", "-3", "--p2p-code", "B=0", "--relay", "127.0.0.1:60800", "--relay-ports", "4",
                   "--relay-algorithm", "0", "--loss", "2.5", "--delay", "7", "--seed", "42", "--lifetime", "9",
                   "--mute", "probe,alloc", "--record", "/tmp/x.jsonl", "--record-relayed"},
                  &c),
            "");
  EXPECT_EQ(c.servers.size(), 2u);
  EXPECT_EQ(c.serverPort, 61000);
  EXPECT_EQ(c.nat, rendezvous::NatMode::DifferentPorts);
  EXPECT_EQ(rendezvous::registration_code(c, "A"), -1);
  EXPECT_EQ(rendezvous::p2p_code(c, "A", true), -3);
  EXPECT_EQ(rendezvous::p2p_code(c, "B", false), 0);
  EXPECT_EQ(ntohs(c.relay.sin_port), 60800);
  EXPECT_EQ(c.relayPorts, 4);
  EXPECT_EQ(c.relayAlgorithm, 0);
  EXPECT_DOUBLE_EQ(c.impairment.lossPercent, 2.5);
  EXPECT_EQ(c.impairment.delayMs, 7u);
  EXPECT_EQ(c.impairment.seed, 42u);
  EXPECT_EQ(c.lifetimeSeconds, 9u);
  EXPECT_TRUE(c.isMuted(rendezvous::Mute::RelayProbe));
  EXPECT_FALSE(c.isMuted(rendezvous::Mute::Hello));
  EXPECT_TRUE(c.recordRelayed);
}

TEST(RendezvousConfig, RejectsBadSwitches) {
  const std::vector<std::vector<std::string>> bad = {
      {"--nat", "5"},
      {"--nat", "3"},  // one server cannot report two ports
      {"--nat", "4"},
      {"--servers", "127.0.0.1,localhost"},
      {"--servers", "127.0.0.1,127.0.0.2,127.0.0.3,127.0.0.4"},
      {"--loss", "101"},
      {"--loss", "-1"},
      {"--lifetime", "0"},
      {"--lifetime", "3601"},
      {"--relay", "127.0.0.1"},
      {"--relay", "127.0.0.1:65535", "--relay-ports", "1"},
      {"--reg-code", "=3"},
      {"--reg-code", "X=200"},
      {"--mute", "hello,nope"},
      {"--port"},
      {"--bogus", "1"},
  };
  for (const auto& args : bad) {
    Config c;
    EXPECT_NE(parse(args, &c), "") << ::testing::PrintToString(args);
  }
}

}  // namespace
}  // namespace world_test
