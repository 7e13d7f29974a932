#include "device/connection_report_log.h"

#include <gtest/gtest.h>

#include <vector>

// Which reports of one camera reach the log, and how many went unlogged
// before each logged one (-1: not logged).
TEST(ConnectionReportLog, ATellingReportIsLoggedRepeatsAreCounted) {
  const struct {
    const char* name;
    std::vector<int> reports;
    std::vector<int> logged;
  } cases[] = {
      {"online at once", {1, 10}, {0, 0}},
      {"never online: the first attempt only", {1, 5, 1, 5, 1, 5, 1, 4}, {0, 0, -1, -1, -1, -1, -1, 5}},
      {"comes online after failing", {1, 5, 1, 5, 1, 5, 1, 10}, {0, 0, -1, -1, -1, -1, -1, 5}},
      {"a lost link and its reconnect", {1, 10, 6, 1, 5, 1, 10}, {0, 0, 0, 0, 0, -1, 1}},
      {"online again after online", {1, 10, 6, 1, 10}, {0, 0, 0, 0, 0}},
      {"a wrong token keeps being told once", {1, 2, 1, 2}, {0, 0, -1, -1}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ConnectionReportLog log;
    ASSERT_EQ(c.reports.size(), c.logged.size());
    for (size_t i = 0; i < c.reports.size(); ++i) {
      const auto line = log.note("CAM1", c.reports[i]);
      EXPECT_EQ(line ? line->unlogged : -1, c.logged[i]) << "report " << i << " (" << c.reports[i] << ")";
    }
  }
}

TEST(ConnectionReportLog, CamerasAreToldApartAndANewSessionStartsAfresh) {
  ConnectionReportLog log;
  EXPECT_TRUE(log.note("A", 1));
  EXPECT_TRUE(log.note("A", 5));
  EXPECT_TRUE(log.note("B", 1));
  EXPECT_TRUE(log.note("B", 5));
  EXPECT_FALSE(log.note("A", 1));
  EXPECT_FALSE(log.note("A", 5));
  log.clear();
  EXPECT_TRUE(log.note("A", 1));
  EXPECT_TRUE(log.note("A", 5));
}
