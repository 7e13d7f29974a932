// The real program, started as a child process on a private X server with
// scratch folders for its files and its lock: it shows the sign-in dialog,
// keeps a fresh debug.txt, lets no second copy run beside it, ends with 0
// when the dialog is closed, and refuses to start where its process shares
// the network namespace of PID 1.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "child_process.h"
#include "test_artifacts.h"
#include "text_file.h"
#include "xvfb_server.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kProgram = CAMVIEWER_PROGRAM_PATH;
constexpr const char* kTitle = "Orvanta Cloud";

using testsupport::countOf;
std::string readFile(const fs::path& path) { return testsupport::readTextFile(path.string()); }

class ProgramTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    xvfb_ = new testsupport::XvfbServer;
    std::string error;
    if (!xvfb_->start(3840, 2160, &error)) {
      startError_ = error;
    }
  }
  static void TearDownTestSuite() {
    delete xvfb_;
    xvfb_ = nullptr;
  }

  void SetUp() override {
    ASSERT_TRUE(startError_.empty()) << startError_;
    char pattern[] = "/tmp/camviewer_program_test_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    scratch_ = pattern;
    fs::create_directories(dataDir());
    fs::create_directories(runtimeDir());
    fs::permissions(runtimeDir(), fs::perms::owner_all);
    // The child inherits this environment.
    xvfb_->exportDisplay();
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    setenv("CAMVIEWER_DATA_DIR", dataDir().c_str(), 1);
    setenv("XDG_RUNTIME_DIR", runtimeDir().c_str(), 1);
    unsetenv("CAMVIEWER_PROGRAM_DIR");
    unsetenv("CAMVIEWER_CLOUD_URL");
    unsetenv("CAMVIEWER_CLOUD_CA");
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(scratch_, ignored);
  }

  fs::path dataDir() const { return scratch_ / "data"; }
  fs::path runtimeDir() const { return scratch_ / "runtime"; }
  fs::path logFile() const { return dataDir() / "debug.txt"; }

  // A shell command with DISPLAY on the private server; its exit status.
  int x(const std::string& command, int timeoutSeconds = 30) {
    return testsupport::runWithDisplay(xvfb_->display(), command, timeoutSeconds);
  }
  int waitForDialog() {
    return x(std::string("xdotool search --sync --onlyvisible --name '") + kTitle + "'", 30);
  }

  static testsupport::XvfbServer* xvfb_;
  static std::string startError_;
  fs::path scratch_;
};

testsupport::XvfbServer* ProgramTest::xvfb_ = nullptr;
std::string ProgramTest::startError_;

TEST_F(ProgramTest, ShowsTheSignInDialogAndLetsNoSecondCopyRun) {
  std::ofstream(logFile()) << "a line of an earlier run\r\n";
  testworld::ChildProcess first;
  std::string error;
  ASSERT_TRUE(first.start(kProgram, {}, &error)) << error;
  ASSERT_EQ(waitForDialog(), 0) << "the sign-in dialog did not appear";

  // Each run starts a fresh debug.txt.
  const std::string log = readFile(logFile());
  EXPECT_EQ(log.find("an earlier run"), std::string::npos) << log;
  EXPECT_EQ(countOf(log, "version number: 1.0.210718.2"), 1) << log;
  EXPECT_NE(log.find("compile Date and time"), std::string::npos);
  struct stat before {};
  ASSERT_EQ(stat(logFile().c_str(), &before), 0);
  // The dialog is the one window on the screen, 640 x 880, and drawn (not black).
  const std::string png = testsupport::artifactsDir("app_program_test") + "/sign_in_dialog.png";
  ASSERT_TRUE(xvfb_->screenshot(png, &error)) << error;
  const fs::path facts = scratch_ / "dialog.txt";
  ASSERT_EQ(x(std::string("w=$(xdotool search --onlyvisible --name '") + kTitle +
              "') && [ $(echo \"$w\" | wc -l) = 1 ] && xdotool getwindowgeometry --shell \"$w\" > " +
              facts.string() + " && . " + facts.string() + " && convert " + png +
              " -format '%[pixel:p{'$((X + WIDTH / 2))','$((Y + HEIGHT / 2))'}]\\n' info: >> " +
              facts.string()),
            0);
  const std::string dialog = readFile(facts);
  EXPECT_NE(dialog.find("WIDTH=640\n"), std::string::npos) << dialog;
  EXPECT_NE(dialog.find("HEIGHT=880\n"), std::string::npos) << dialog;
  const size_t lastLine = dialog.find_last_of('\n', dialog.size() - 2) + 1;
  const std::string centre = dialog.substr(lastLine, dialog.size() - lastLine - 1);
  EXPECT_TRUE(centre.rfind("gray(", 0) == 0 || centre.rfind("srgb(", 0) == 0) << dialog;
  for (const char* black : {"gray(0)", "srgb(0,0,0)", "black"}) EXPECT_NE(centre, black) << dialog;

  // A second copy ends with 1 at once, and leaves the running copy's log alone.
  testworld::ChildProcess second;
  ASSERT_TRUE(second.start(kProgram, {}, &error)) << error;
  EXPECT_EQ(second.wait(15000), 1);
  struct stat after {};
  ASSERT_EQ(stat(logFile().c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino) << "debug.txt was made anew";
  const std::string logAfter = readFile(logFile());
  EXPECT_EQ(logAfter.compare(0, log.size(), log), 0) << "debug.txt lost lines";
  EXPECT_EQ(countOf(logAfter, "version number:"), 1) << "the second copy wrote to debug.txt";
  EXPECT_EQ(first.wait(0), -1) << "the first copy ended";

  // Escape rejects the dialog: the program ends with 0.
  ASSERT_EQ(x(std::string("w=$(xdotool search --onlyvisible --name '") + kTitle +
              "' | head -n 1) && xdotool windowfocus --sync \"$w\" && xdotool key Escape"),
            0);
  EXPECT_EQ(first.wait(15000), 0);
  // Only then may the next copy run.
  testworld::ChildProcess third;
  ASSERT_TRUE(third.start(kProgram, {}, &error)) << error;
  EXPECT_EQ(waitForDialog(), 0) << "a copy after the first could not start";
  // SIGTERM ends it as a close answered with Yes does.
  EXPECT_EQ(third.stop(), 0);
}

TEST_F(ProgramTest, RefusesAnUnusableCloudAddress) {
  setenv("CAMVIEWER_CLOUD_URL", "http://127.0.0.1:8443", 1);  // not https
  testworld::ChildProcess program;
  std::string error;
  ASSERT_TRUE(program.start(kProgram, {}, &error)) << error;
  EXPECT_EQ(program.wait(15000), 2);
  unsetenv("CAMVIEWER_CLOUD_URL");
}

// The guard compares the program's network namespace with PID 1's. Started
// as PID 1 of a fresh PID namespace (with its own /proc), the program is
// PID 1 itself: the namespaces are the same and it must refuse with 3,
// before it writes or shows anything.
TEST_F(ProgramTest, RefusesToRunInTheNamespaceOfPid1) {
  testworld::ChildProcess wrapper;
  std::string error;
  ASSERT_TRUE(wrapper.start("/usr/bin/unshare", {"--pid", "--fork", "--mount-proc", "/bin/true"},
                            &error))
      << error;
  ASSERT_EQ(wrapper.wait(15000), 0) << "cannot make a PID namespace here";

  testworld::ChildProcess program;
  ASSERT_TRUE(program.start("/usr/bin/unshare", {"--pid", "--fork", "--mount-proc", kProgram},
                            &error))
      << error;
  EXPECT_EQ(program.wait(15000), 3);
  EXPECT_FALSE(fs::exists(logFile()));
  EXPECT_TRUE(fs::is_empty(runtimeDir())) << "the lock file was made";
}

}  // namespace
