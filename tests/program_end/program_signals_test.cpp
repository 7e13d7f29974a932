// The real program (a child process on a private X server, in the
// journeys' simulated world, in a network namespace of the test's own)
// ends on SIGINT, SIGHUP and SIGTERM as a close answered with Yes ends it:
// exit status 0, and a recording under way is finished, so ffprobe reads
// its whole duration without a "partial file".
#include <gtest/gtest.h>

#include <signal.h>

#include <cstdio>
#include <filesystem>

#include "journey_context.h"
#include "media_assets.h"
#include "media_verdicts.h"
#include "netns_test.h"
#include "test_artifacts.h"

namespace {

using journey::Journey;
using journey::Stage;

TEST(ProgramSignals, EndTheProgramAsACloseAnsweredWithYes) {
  REQUIRE_PRIVATE_NETNS();
  const std::string out = testsupport::artifactsDir("program-signals");
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(out, ec)) std::filesystem::remove_all(e.path(), ec);
  Stage stage(out, CAMVIEWER_PROGRAM_PATH);
  std::string why;
  ASSERT_TRUE(stage.start(journey::journeyWorldArguments(), &why)) << why;
  journey::Report report;
  Journey j(stage, report);

  // While the sign-in dialog shows.
  for (const int signal : {SIGINT, SIGHUP}) {
    ASSERT_TRUE(j.startProgram(&why)) << why;
    kill(stage.program().pid(), signal);
    EXPECT_EQ(stage.waitProgramExit(60000), 0) << "after signal " << signal;
  }

  // While a camera plays and records.
  ASSERT_TRUE(j.startProgram(&why)) << why;
  long long ms = 0;
  ASSERT_TRUE(j.signIn(1, &ms, &why)) << why;
  ASSERT_TRUE(j.allOnline(1, 120000));  // a first link under ThreadSanitizer
  ASSERT_GE(j.playUntil(journey::kHall,
                        [](const QImage& s) { return journey::showsHallBars(s, journey::where::kPicture); },
                        60000),
            0)
      << "Hall did not play";
  const std::vector<std::string> before = journey::filesUnder(stage.dataDir(), ".mp4");
  ASSERT_TRUE(j.screen().clickInMain(journey::where::kRecordButton, &why)) << why;
  const std::string file = j.newFile(
      before, ".mp4", [](const std::string& f) { return journey::checkRecording(f).pictures >= 50; }, 60000);
  ASSERT_FALSE(file.empty()) << "no recording grew";
  kill(stage.program().pid(), SIGTERM);
  const int status = stage.waitProgramExit(60000);
  const std::string log = stage.log();
  EXPECT_EQ(status, 0) << log;
  std::printf("[ figure ] exit status on SIGTERM while recording: %d\n", status);

  report.keep(stage.keepFile(file));
  const journey::RecordingVerdict v = journey::checkRecording(file);
  EXPECT_TRUE(v.ok) << v.text;
  const media_assets::CommandResult probe = media_assets::run(
      "ffprobe -v warning -show_entries format=duration -of default=nw=1:nk=1 " + media_assets::quoted(file));
  EXPECT_EQ(probe.exitCode, 0) << probe.output;
  EXPECT_EQ(probe.output.find("partial file"), std::string::npos) << probe.output;
  // At least its pictures' time (more where the camera, busy, left gaps).
  EXPECT_GE(std::atof(probe.output.c_str()), (v.pictures - 1) / 25.0) << probe.output;
  EXPECT_GE(v.pictures, 50);
  // Finished, not cut off: a finished file ends with its fragment index,
  // whose last box ("mfro") closes the file.
  const media_assets::Bytes bytes = media_assets::readFile(file);
  ASSERT_GE(bytes.size(), 16u);
  EXPECT_EQ(std::string(bytes.end() - 12, bytes.end() - 8), "mfro") << "the file was not finished";
}

}  // namespace
