// The journeys (journeys.h) through the real program on a private X server,
// with a private sound server and the simulated world, in a network
// namespace of the test's own. Every step is one expectation; the summary
// and the screenshots are kept under artifacts/journey-*/.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "journey_context.h"
#include "journeys.h"
#include "netns_test.h"
#include "test_artifacts.h"

namespace {

using journey::Report;
using journey::Stage;

void run(const char* name, void (*journeyOf)(Stage&, Report&)) {
  REQUIRE_PRIVATE_NETNS();
  const std::string out = testsupport::artifactsDir(name);
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(out, ec))
    std::filesystem::remove_all(e.path(), ec);
  Stage stage(out, CAMVIEWER_PROGRAM_PATH);
  std::string error;
  ASSERT_TRUE(stage.start(journey::journeyWorldArguments(), &error)) << error;
  Report report;
  journeyOf(stage, report);
  for (const journey::Step& s : report.steps()) EXPECT_TRUE(s.ok) << s.name << ": " << s.detail;
  EXPECT_TRUE(report.allPassed()) << "the journey stopped early";
  std::printf("%s", report.summary().c_str());
  if (!report.allPassed()) std::printf("program log:\n%s\n", stage.log().c_str());
}

TEST(Journey, ANewUsersWholeJourney) { run("journey-main", journey::runMainJourney); }

TEST(Journey, CamerasComeBackAndRecordingsSurviveAKill) {
  run("journey-recovery", journey::runRecoveryJourney);
}

}  // namespace
