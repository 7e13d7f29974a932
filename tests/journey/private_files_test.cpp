// The files the real program keeps in its data folder are the user's alone,
// whatever the umask it runs under: after a sign-in with "remember me"
// through the dialog, a snapshot, a recording and a group, no path under the
// data folder has a group or other permission bit. Files and folders that
// were opened up by hand are made private again the next time the program
// writes them (folders at its start), one log line each.
#include <gtest/gtest.h>

#include <regex.h>
#include <sys/stat.h>

#include <filesystem>
#include <sstream>
#include <thread>

#include "journey_context.h"
#include "media_verdicts.h"
#include "netns_test.h"
#include "scoped_umask.h"
#include "test_artifacts.h"

namespace fs = std::filesystem;

namespace {

using journey::Journey;
using journey::Report;
using journey::Stage;
namespace where = journey::where;

using testsupport::ScopedUmask;

struct PathMode {
  std::string relative;  // to the data folder
  unsigned mode = 0;     // permission bits
};

// Every path under `dir` (symbolic links not followed) with its mode, as lstat gives it.
std::vector<PathMode> modesUnder(const std::string& dir) {
  std::vector<PathMode> out;
  std::error_code ec;
  for (fs::recursive_directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    struct stat st {};
    if (lstat(it->path().c_str(), &st) != 0) continue;
    out.push_back({fs::relative(it->path(), dir).string(), unsigned(st.st_mode & 07777)});
  }
  std::sort(out.begin(), out.end(),
            [](const PathMode& a, const PathMode& b) { return a.relative < b.relative; });
  return out;
}

std::string octal(unsigned mode) {
  std::ostringstream s;
  s << std::oct << mode;
  return s.str();
}

std::string table(const std::vector<PathMode>& modes) {
  std::string out;
  for (const PathMode& m : modes) out += octal(m.mode) + "  " + m.relative + "\n";
  return out;
}

// What the journey must have made, as patterns of paths under the data
// folder (so that a missing file cannot pass for a private one).
const char* const kMustExist[] = {
    "debug\\.txt",
    "private_uuid\\.txt",
    "userNameLastLogin\\.txt",
    "user_private_dir",
    "user_private_dir/[^/]+_private_dir",
    "user_private_dir/[^/]+_private_dir/config\\.json",
    "user_private_dir/[^/]+_private_dir/group\\.dat",
    "user_private_dir/[^/]+_private_dir/device_picture",
    "user_private_dir/[^/]+_private_dir/device_picture/[^/]+\\.jpeg",
    "user_private_dir/[^/]+_private_dir/snapshot",
    "user_private_dir/[^/]+_private_dir/snapshot/[^/]+-snapshot",
    "user_private_dir/[^/]+_private_dir/snapshot/[^/]+-snapshot/[^/]+\\.jpg",
    "user_private_dir/[^/]+_private_dir/record",
    "user_private_dir/[^/]+_private_dir/record/[^/]+-record",
    "user_private_dir/[^/]+_private_dir/record/[^/]+-record/[^/]+\\.mp4",
};

// True when the whole of `text` matches the extended regular expression
// `pattern` (POSIX: GCC's std::regex trips its own -Wmaybe-uninitialized
// under the sanitizers).
bool matchesWhole(const std::string& text, const char* pattern) {
  regex_t re;
  if (regcomp(&re, ("^(" + std::string(pattern) + ")$").c_str(), REG_EXTENDED | REG_NOSUB) != 0)
    return false;
  const bool match = regexec(&re, text.c_str(), 0, nullptr, 0) == 0;
  regfree(&re);
  return match;
}

// Every path private to its owner; every pattern present.
void expectAllPrivate(const std::vector<PathMode>& modes, const std::string& when) {
  for (const PathMode& m : modes)
    EXPECT_EQ(m.mode & 077u, 0u) << when << ": " << octal(m.mode) << " " << m.relative;
  for (const char* pattern : kMustExist) {
    const bool found = std::any_of(modes.begin(), modes.end(),
                                   [&](const PathMode& m) { return matchesWhole(m.relative, pattern); });
    EXPECT_TRUE(found) << when << ": nothing matches " << pattern << "\n" << table(modes);
  }
}

std::string firstMatch(const std::vector<PathMode>& modes, const char* pattern) {
  for (const PathMode& m : modes)
    if (matchesWhole(m.relative, pattern)) return m.relative;
  return {};
}

struct UmaskCase {
  const char* name;
  mode_t mask;
};

class PrivateFiles : public ::testing::TestWithParam<UmaskCase> {
 protected:
  void SetUp() override {
    REQUIRE_PRIVATE_NETNS();
    out_ = testsupport::artifactsDir(std::string("private-files-") + GetParam().name);
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(out_, ec)) fs::remove_all(e.path(), ec);
    stage_ = std::make_unique<Stage>(out_, CAMVIEWER_PROGRAM_PATH);
    std::string error;
    ASSERT_TRUE(stage_->start(journey::journeyWorldArguments(), &error)) << error;
    journey_ = std::make_unique<Journey>(*stage_, report_);
  }
  void TearDown() override {
    journey_.reset();
    stage_.reset();
  }

  // The program under the case's umask, up to its camera list.
  void startAndSignIn(bool tickRememberMe) {
    std::string why;
    {
      ScopedUmask mask(GetParam().mask);
      ASSERT_TRUE(journey_->startProgram(&why)) << why;
    }
    if (tickRememberMe) {
      ASSERT_TRUE(journey_->screen().toggleRememberMe(&why)) << why;
    }
    long long ms = 0;
    ASSERT_TRUE(journey_->signIn(1, &ms, &why)) << why << "\n" << stage_->log();
  }
  void closeProgram() {
    std::string why;
    ASSERT_TRUE(journey_->screen().closeAnswering(true, &why)) << why;
    ASSERT_EQ(stage_->waitProgramExit(60000), 0);
  }
  std::string dataPath(const std::string& relative) const {
    return stage_->dataDir() + "/" + relative;
  }

  std::string out_;
  Report report_;
  std::unique_ptr<Stage> stage_;
  std::unique_ptr<Journey> journey_;
};

TEST_P(PrivateFiles, NothingUnderTheDataFolderIsOpenToOthers) {
  Journey& j = *journey_;
  ASSERT_NO_FATAL_FAILURE(startAndSignIn(true));
  ASSERT_TRUE(j.allOnline(1, 90000)) << stage_->log();

  // A snapshot and a short recording of Hall, then a group of two.
  ASSERT_GE(j.playUntil(journey::kHall,
                        [](const QImage& s) { return journey::showsHallBars(s, where::kPicture); },
                        60000),
            0)
      << "Hall does not play";
  std::string why;
  const std::vector<std::string> jpgs = journey::filesUnder(stage_->dataDir(), ".jpg");
  ASSERT_TRUE(j.screen().clickInMain(where::kSnapshotButton, &why)) << why;
  EXPECT_FALSE(j.newFile(jpgs, ".jpg",
                         [](const std::string& f) { return journey::checkSnapshot(f).ok; }, 60000)
                   .empty())
      << "no snapshot";
  const std::vector<std::string> mp4s = journey::filesUnder(stage_->dataDir(), ".mp4");
  ASSERT_TRUE(j.screen().clickInMain(where::kRecordButton, &why)) << why;
  std::this_thread::sleep_for(std::chrono::seconds(2));  // the recording's length
  ASSERT_TRUE(j.screen().clickInMain(where::kRecordButton, &why)) << why;
  EXPECT_FALSE(j.newFile(mp4s, ".mp4",
                         [](const std::string& f) { return journey::checkRecording(f).ok; }, 60000)
                   .empty())
      << "no playable recording";
  ASSERT_TRUE(j.screen().createGroup("pair", j.cameraIndex(journey::kHall),
                                     j.cameraIndex(journey::kFrontDoor), [] {}, &why))
      << why;
  ASSERT_TRUE(stage_->waitForLog("INSERT INTO groups", 1, 60000));
  // Closing stops the play, which leaves the camera's thumbnail behind.
  ASSERT_NO_FATAL_FAILURE(closeProgram());

  const std::vector<PathMode> first = modesUnder(stage_->dataDir());
  std::printf("umask %03o, after the first run:\n%s", unsigned(GetParam().mask),
              table(first).c_str());
  expectAllPrivate(first, "first run");

  // Opened up by hand: each is made private again by the next run, which
  // says so once in its log.
  struct Widened {
    const char* pattern;
    unsigned mode;
    const char* when;
  };
  const Widened widened[] = {
      {"user_private_dir/[^/]+_private_dir/config\\.json", 0644, "written at the sign-in"},
      {"user_private_dir/[^/]+_private_dir/group\\.dat", 0644, "opened at the sign-in"},
      {"user_private_dir/[^/]+_private_dir", 0755, "at the start"},
      {"user_private_dir/[^/]+_private_dir/snapshot/[^/]+-snapshot", 0775, "at the start"},
      {"private_uuid\\.txt", 0666, "at the start"},
  };
  std::vector<std::string> paths;
  for (const Widened& w : widened) {
    const std::string relative = firstMatch(first, w.pattern);
    ASSERT_FALSE(relative.empty()) << w.pattern;
    paths.push_back(relative);
    ASSERT_EQ(chmod(dataPath(relative).c_str(), w.mode), 0) << relative;
  }
  ASSERT_NO_FATAL_FAILURE(startAndSignIn(false));  // remember me is restored
  const std::string log = stage_->log();
  const std::vector<PathMode> second = modesUnder(stage_->dataDir());
  std::printf("umask %03o, after the second sign-in:\n%s", unsigned(GetParam().mask),
              table(second).c_str());
  expectAllPrivate(second, "second run");
  for (size_t i = 0; i < paths.size(); ++i) {
    EXPECT_EQ(journey::countOf(log, "made private: \"" + dataPath(paths[i]) + "\""), 1)
        << paths[i] << " (" << widened[i].when << ")\n"
        << log;
  }
  // The remembered sign-in is still there, unchanged in form.
  const std::string config = testsupport::readTextFile(dataPath(paths[0]));
  EXPECT_NE(config.find("\"remeberUser\":\t1"), std::string::npos) << config;
  ASSERT_NO_FATAL_FAILURE(closeProgram());
}

INSTANTIATE_TEST_SUITE_P(Umask, PrivateFiles,
                         ::testing::Values(UmaskCase{"022", 022}, UmaskCase{"000", 0}),
                         [](const ::testing::TestParamInfo<UmaskCase>& i) {
                           return std::string("umask") + i.param.name;
                         });

}  // namespace
