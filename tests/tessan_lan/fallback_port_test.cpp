// The fall-back ports of the search socket.
#include <gtest/gtest.h>

#include "lan_search_socket.h"

namespace {

TEST(TessanLanFallbackPort, IsBasePlusMillisecondsModHundredPlusTenK) {
  struct Case {
    uint32_t ms;
    unsigned k;
    uint16_t port;
  };
  const Case cases[] = {
      {0, 0, 64000},  {99, 0, 64099},          {100, 0, 64000},        {1234, 3, 64064},
      {99, 9, 64189}, {0xFFFFFFFFu, 9, 64185}, {0xFFFFFFFFu, 0, 64095},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(tessan::lan::fallbackPort(c.ms, c.k), c.port) << "ms " << c.ms << " k " << c.k;
  }
}

TEST(TessanLanFallbackPort, CounterRunsZeroToNineAndWraps) {
  tessan::lan::FallbackPorts ports;
  for (unsigned round = 0; round < 2; ++round) {
    for (unsigned k = 0; k < 10; ++k) {
      EXPECT_EQ(ports.next(5), 64005 + 10 * k) << "round " << round << " k " << k;
    }
  }
}

}  // namespace
