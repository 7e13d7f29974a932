// The camera's rule for a client that stopped taking the stream, on an
// injected clock: nothing acknowledged for 3 s while bytes wait.
#include "link_stall.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

struct Sample {
  uint64_t ms, sent, unacknowledged;
  bool stalled;
};

void run(const char* name, const std::vector<Sample>& samples) {
  camera::LinkStall stall(3000);
  for (const Sample& s : samples)
    EXPECT_EQ(stall.stalled(s.ms, s.sent, s.unacknowledged), s.stalled) << name << " at " << s.ms << " ms";
}

TEST(LinkStall, ClientThatAcknowledgesIsNeverDropped) {
  std::vector<Sample> s;
  for (uint64_t t = 0; t <= 60000; t += 40) s.push_back({t, t * 250, 5000, false});  // 2 Mbit/s, 5 kB in flight
  run("steady", s);
}

TEST(LinkStall, NothingAcknowledgedForTheLimitWhileBytesWait) {
  run("dead client", {{0, 1000, 0, false},
                      {100, 5000, 3000, false},  // 2,000 acknowledged
                      {1000, 90000, 88000, false},
                      {3099, 300000, 298000, false},
                      {3100, 300000, 298000, true},
                      {9000, 900000, 898000, true}});
}

TEST(LinkStall, IdleLinkWithNothingWaitingIsNoStall) {
  run("idle", {{0, 5000, 0, false},
               {10000, 5000, 0, false},     // nothing sent, nothing waiting
               {10040, 6000, 1000, false},  // the clock runs from the last look with nothing waiting
               {12999, 9000, 4000, false},
               {13000, 9000, 4000, true}});
}

TEST(LinkStall, AnyProgressStartsTheClockAgain) {
  run("slow client", {{0, 10000, 10000, false},
                      {2900, 50000, 49000, false},  // 1,000 acknowledged
                      {5899, 90000, 89000, false},
                      {5900, 90000, 89000, true},
                      {5950, 90000, 80000, false},  // 10,000 acknowledged: it lives
                      {8949, 95000, 85000, false}});
}

}  // namespace
