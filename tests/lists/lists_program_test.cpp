// The real program, a child process on a private X server, against the
// simulated world (tools/world/world.py), all in a network namespace of the
// test's own, driven as a person would: sign in, a tile click plays a
// camera, the user menu signs out and the sign-in dialog comes back, a
// second sign-in shows each camera once, closing asks "Confirm to exit the
// program?": No keeps the camera playing, Yes ends the program with 0; and
// a camera list the cloud refuses is said, with sign-out still working.
// Screenshots are kept under artifacts/lists_program/.
#include <gtest/gtest.h>

#include <QImage>
#include <QRect>
#include <QRegularExpression>
#include <QString>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "child_process.h"
#include "fresh_netns.h"
#include "netns_test.h"
#include "picture_checks.h"
#include "test_artifacts.h"
#include "world_process.h"
#include "x_desktop.h"
#include "xvfb_server.h"

namespace fs = std::filesystem;

namespace {

using testsupport::named;
using testsupport::sized;
using testsupport::XWindow;

constexpr const char* kProgram = CAMVIEWER_PROGRAM_PATH;
// The camera destructor's own line in debug.txt (its function name is on
// every line it logs).
constexpr const char* kCameraDeleted = "Debug:\t~oneWindowDevice (";

// Where things are in the program's windows at 3840 x 2160 (design units
// are pixels there).
const QRect kSignInDialog(0, 0, 640, 880);
const QPoint kEmailField(320, 419), kPasswordField(320, 527), kSignInButton(320, 695);
const QPoint kUserButton(71, 45), kFirstTile(346, 118);
constexpr int kPlayAreaLeft = 596;  // navigation column and camera list before it
const QPoint kSignOutButton(208, 200);  // third row of the 416 x 240 user menu
// Inside the single-camera view's picture (play area, below its letterbox top).
const QRect kPlayedPicture(700, 330, 1100, 380);

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

int countOf(const std::string& text, const std::string& needle) {
  int n = 0;
  for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) ++n;
  return n;
}

std::string artifact(const std::string& name) {
  return testsupport::artifactsDir("lists_program") + "/" + name;
}

class ProgramInTheWorld : public ::testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_PRIVATE_NETNS();
    // The world binds fixed ports; the X server starts inside this
    // namespace, so only the program here reaches it.
    const std::string ns = testsupport::enterFreshNetworkNamespace();
    ASSERT_TRUE(ns.empty()) << ns;
    char pattern[] = "/tmp/lists_program_test_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    scratch_ = pattern;
    fs::create_directories(scratch_ / "data");
    fs::create_directories(scratch_ / "runtime");
    fs::permissions(scratch_ / "runtime", fs::perms::owner_all);
    std::string error;
    ASSERT_TRUE(xvfb_.start(3840, 2160, &error)) << error;
    ASSERT_TRUE(world_.start({"--lifetime", "600"}, &error)) << error;
    const world::WorldEnv& env = world_.env();
    // The program inherits this environment.
    xvfb_.exportDisplay();
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    setenv("CAMVIEWER_DATA_DIR", (scratch_ / "data").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (scratch_ / "runtime").c_str(), 1);
    setenv("CAMVIEWER_CLOUD_URL", env.cloudUrl.c_str(), 1);
    setenv("CAMVIEWER_CLOUD_CA", env.caFile.c_str(), 1);
    unsetenv("CAMVIEWER_PROGRAM_DIR");
    desk_ = std::make_unique<testsupport::XDesktop>(xvfb_.display(), scratch_.string());
  }
  void TearDown() override {
    program_.stop();
    desk_.reset();
    xvfb_.stop();
    for (const char* v : {"CAMVIEWER_DATA_DIR", "XDG_RUNTIME_DIR", "CAMVIEWER_CLOUD_URL",
                          "CAMVIEWER_CLOUD_CA"})
      unsetenv(v);
    std::error_code ignored;
    if (!scratch_.empty()) fs::remove_all(scratch_, ignored);
  }

  std::string log() const { return readFile(scratch_ / "data" / "debug.txt"); }
  // Waits (bounded) until the log holds `needle` at least `count` times.
  bool waitForLog(const std::string& needle, int count, int timeoutMs) const {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (countOf(log(), needle) < count) {
      if (std::chrono::steady_clock::now() >= end || !program_.running()) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    return true;
  }

  XWindow mainWindow() {
    XWindow w;
    EXPECT_TRUE(desk_->waitForWindow(sized(1920, 1080), 60000, &w)) << "no main window";
    return w;
  }

  // The sign-in dialog, filled and sent; the main window with its list.
  void signIn(int pass) {
    const world::WorldEnv& env = world_.env();
    XWindow dialog;
    ASSERT_TRUE(desk_->waitForWindow(sized(kSignInDialog.width(), kSignInDialog.height()), 60000,
                                     &dialog))
        << "no sign-in dialog";
    ASSERT_TRUE(desk_->click(dialog, kEmailField.x(), kEmailField.y()));
    ASSERT_TRUE(desk_->replaceText(dialog, env.account));
    ASSERT_TRUE(desk_->click(dialog, kPasswordField.x(), kPasswordField.y()));
    ASSERT_TRUE(desk_->replaceText(dialog, env.password));
    desk_->screenshot(artifact("sign_in_" + std::to_string(pass) + ".png"));
    ASSERT_TRUE(desk_->click(dialog, kSignInButton.x(), kSignInButton.y()));
    ASSERT_TRUE(waitForLog("oneWindowDevice_list num :", pass, 60000)) << log();
  }

  // Every camera of the world reported online `times` times so far.
  bool allOnline(int times, int timeoutMs) const {
    for (const world::WorldCamera& c : world_.env().cameras) {
      if (!waitForLog("update_device_state_Handler \"" + c.id + "\" 10", times, timeoutMs))
        return false;
    }
    return true;
  }

  // The played picture in the main window's play area: a colourful,
  // moving picture (two screenshots a moment apart differ).
  bool playAreaPlays(const XWindow& main, const std::string& keepAs) {
    const QRect area = kPlayedPicture.translated(main.x, main.y);
    QImage first, second;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < end) {
      first = desk_->screenshot();
      std::this_thread::sleep_for(std::chrono::milliseconds(600));
      second = desk_->screenshot(keepAs);
      const testsupport::AreaColours c = testsupport::areaColours(second, area);
      if (c.classes >= 6 && c.black < c.samples / 4 &&
          testsupport::meanDifference(first, area, second, area) > 1.0)
        return true;
    }
    return false;
  }

  fs::path scratch_;
  testsupport::XvfbServer xvfb_;
  WorldProcess world_;
  std::unique_ptr<testsupport::XDesktop> desk_;
  testworld::ChildProcess program_;
};

TEST_F(ProgramInTheWorld, SignOutSignInAgainThenCloseAsks) {
  const world::WorldEnv& env = world_.env();
  const int cameras = int(env.cameras.size());
  const std::string listLine =
      "oneWindowDevice_list num : \"" + std::to_string(cameras) + " devices\"";
  std::string error;
  ASSERT_TRUE(program_.start(kProgram, {}, &error)) << error;

  // First sign-in: one tile per camera, a tile click plays it.
  ASSERT_NO_FATAL_FAILURE(signIn(1));
  EXPECT_EQ(countOf(log(), listLine), 1) << log();
  ASSERT_TRUE(allOnline(1, 90000)) << log();
  XWindow main = mainWindow();
  ASSERT_TRUE(desk_->click(main, kFirstTile.x(), kFirstTile.y()));
  EXPECT_TRUE(playAreaPlays(main, artifact("first_session_playing.png")));
  // Nothing of the play view opens over the list: the PTZ pad (a small
  // square window of its own) follows the view it belongs to.
  for (const XWindow& w : desk_->windows()) {
    const bool padSized = w.width == w.height && w.width < 400;
    if (padSized) {
      EXPECT_GE(w.x, main.x + kPlayAreaLeft) << "pad at " << w.x << "," << w.y;
    }
  }

  // Sign-out from the user menu: the sign-in dialog comes back, the
  // cameras are gone.
  ASSERT_TRUE(desk_->click(main, kUserButton.x(), kUserButton.y()));
  XWindow menu;
  ASSERT_TRUE(desk_->waitForWindow(sized(416, 240), 60000, &menu)) << "no user menu";
  ASSERT_TRUE(desk_->click(menu, kSignOutButton.x(), kSignOutButton.y()));
  ASSERT_TRUE(waitForLog("exec_return : 1", 1, 30000)) << log();
  EXPECT_TRUE(desk_->waitUntilGone(sized(1920, 1080), 20000)) << "the main window stays";
  EXPECT_TRUE(desk_->waitForWindow(sized(640, 880), 60000, nullptr)) << "no new sign-in dialog";
  EXPECT_EQ(countOf(log(), kCameraDeleted), cameras) << log();

  // Second sign-in: each camera once.
  ASSERT_NO_FATAL_FAILURE(signIn(2));
  const std::string afterSecond = log();
  EXPECT_EQ(countOf(afterSecond, listLine), 2);
  EXPECT_EQ(countOf(afterSecond, "oneWindowDevice_list num :"), 2);
  EXPECT_EQ(countOf(afterSecond, "the lists are built already"), 0);
  ASSERT_TRUE(allOnline(2, 90000)) << log();
  main = mainWindow();
  desk_->screenshot(artifact("second_session_tiles.png"));
  ASSERT_TRUE(desk_->click(main, kFirstTile.x(), kFirstTile.y()));
  ASSERT_TRUE(playAreaPlays(main, artifact("second_session_playing.png")));

  // Closing asks; No keeps everything running.
  ASSERT_TRUE(desk_->requestClose(main, &error)) << error;
  XWindow box;
  ASSERT_TRUE(desk_->waitForWindow(named("Exit"), 20000, &box)) << "no question";
  desk_->screenshot(artifact("close_question.png"));
  ASSERT_TRUE(desk_->key(box, "n"));
  EXPECT_TRUE(desk_->waitUntilGone(named("Exit"), 20000));
  EXPECT_TRUE(playAreaPlays(main, artifact("after_no_playing.png"))) << "No stopped the play";
  EXPECT_EQ(program_.wait(0), -1) << "No ended the program";
  EXPECT_EQ(countOf(log(), kCameraDeleted), cameras) << "No deleted cameras";

  // Yes: the plays stop, the workers are waited for, the program ends with 0.
  ASSERT_TRUE(desk_->requestClose(main, &error)) << error;
  ASSERT_TRUE(desk_->waitForWindow(named("Exit"), 20000, &box)) << "no question";
  ASSERT_TRUE(desk_->key(box, "y"));
  EXPECT_EQ(program_.wait(60000), 0) << log();
  const std::string last = log();
  EXPECT_EQ(countOf(last, "exec_return : 0"), 1);
  EXPECT_EQ(countOf(last, kCameraDeleted), 2 * cameras) << "cameras left at the end";
}

// The cloud refuses the device list: the main window says so under the
// list title instead of staying empty, and the user menu signs out all the
// same: the sign-out reaches the cloud and the sign-in dialog comes back.
TEST_F(ProgramInTheWorld, RefusedCameraListIsSaidAndSignOutStillWorks) {
  ASSERT_TRUE(world_.command("cloud-fail /uac/v2/device-list=error:1:1005"));
  ASSERT_TRUE(world_.waitFor("cloud-fail", 20000));
  std::string error;
  ASSERT_TRUE(program_.start(kProgram, {}, &error)) << error;
  const world::WorldEnv& env = world_.env();
  XWindow dialog;
  ASSERT_TRUE(desk_->waitForWindow(sized(kSignInDialog.width(), kSignInDialog.height()), 60000,
                                   &dialog));
  ASSERT_TRUE(desk_->click(dialog, kEmailField.x(), kEmailField.y()));
  ASSERT_TRUE(desk_->replaceText(dialog, env.account));
  ASSERT_TRUE(desk_->click(dialog, kPasswordField.x(), kPasswordField.y()));
  ASSERT_TRUE(desk_->replaceText(dialog, env.password));
  ASSERT_TRUE(desk_->click(dialog, kSignInButton.x(), kSignInButton.y()));
  ASSERT_TRUE(waitForLog("list notice: \"The camera list could not be loaded: the cloud refused it",
                         1, 60000))
      << log();
  XWindow main = mainWindow();
  // The notice is drawn in the list column (dark text on white).
  const QRect listColumn(main.x + 144, main.y + 20, 440, 200);
  const auto darkPixels = [&](const QImage& shot) {
    int n = 0;
    for (int y = listColumn.top(); y <= listColumn.bottom(); ++y)
      for (int x = listColumn.left(); x <= listColumn.right(); ++x)
        n += shot.pixelColor(x, y).lightness() < 100 ? 1 : 0;
    return n;
  };
  bool drawn = false;
  for (int i = 0; i < 50 && !drawn; ++i) {
    drawn = darkPixels(desk_->screenshot()) > 200;
    if (!drawn) std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  desk_->screenshot(artifact("refused_camera_list.png"));
  EXPECT_TRUE(drawn) << "no notice in the list column";

  ASSERT_TRUE(desk_->click(main, kUserButton.x(), kUserButton.y()));
  XWindow menu;
  ASSERT_TRUE(desk_->waitForWindow(sized(416, 240), 20000, &menu)) << "no user menu";
  ASSERT_TRUE(desk_->click(menu, kSignOutButton.x(), kSignOutButton.y()));
  ASSERT_TRUE(waitForLog("exec_return : 1", 1, 30000)) << log();
  EXPECT_TRUE(desk_->waitForWindow(sized(640, 880), 30000, nullptr)) << "no new sign-in dialog";
  const std::string requests = readFile(env.values.at("WORLD_CLOUD_LOG"));
  EXPECT_EQ(countOf(requests, "\"path\": \"/uac/v1/signout\"") +
                countOf(requests, "\"path\":\"/uac/v1/signout\""),
            1)
      << "the sign-out did not reach the cloud";
}

}  // namespace
