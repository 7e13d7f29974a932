// The program installed by `cmake --install` into a scratch prefix: the
// layout of a Linux desktop program (bin/, lib/, share/camviewer/, a desktop
// entry desktop-file-validate accepts and its icon), run paths relative to
// the installation; and the installed program, started under a private X
// server with the source and build trees hidden from it and a fresh HOME,
// shows the sign-in dialog with its pictures, keeps its log in
// $HOME/.local/share/camviewer (private), writes nothing into the
// installation, and a second user's HOME gets a data folder of its own.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QImage>
#include <QPainter>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "child_process.h"
#include "picture_checks.h"
#include "poll_until.h"
#include "test_artifacts.h"
#include "text_file.h"
#include "x_desktop.h"
#include "xvfb_server.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kCmake = CMAKE_COMMAND;
constexpr const char* kBuildDir = CAMVIEWER_BUILD_DIR;
constexpr const char* kSourceDir = CAMVIEWER_SOURCE_DIR;
constexpr int kDialogWidth = 640, kDialogHeight = 880;

std::string shellQuoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

// Runs a shell command line; its exit status, its output in `out`.
int shell(const std::string& command, std::string* out = nullptr, int timeoutSeconds = 300) {
  const std::string file = fs::temp_directory_path() / ("camviewer_install_test_" +
                                                        std::to_string(getpid()) + ".out");
  const int status = testsupport::runWithDisplay(
      "", "(" + command + ") > " + shellQuoted(file) + " 2>&1", timeoutSeconds);
  if (out) *out = testsupport::readTextFile(file);
  std::error_code ec;
  fs::remove(file, ec);
  return status;
}

// A picture with transparent parts as it looks on a white background.
QImage overWhite(const QImage& picture) {
  QImage out(picture.size(), QImage::Format_RGB32);
  out.fill(Qt::white);
  QPainter(&out).drawImage(0, 0, picture);
  return out;
}

unsigned modeOf(const fs::path& p) {
  struct stat st {};
  return lstat(p.c_str(), &st) == 0 ? unsigned(st.st_mode & 07777) : 0;
}

// Every path under `dir`, relative to it.
std::set<std::string> pathsUnder(const fs::path& dir) {
  std::set<std::string> out;
  std::error_code ec;
  for (fs::recursive_directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
    out.insert(fs::relative(it->path(), dir).string());
  return out;
}

// The run path a binary carries (readelf), empty when none.
std::string runPath(const fs::path& binary) {
  std::string out;
  shell("readelf -d " + shellQuoted(binary.string()) +
            " | sed -n 's/.*(\\(RUNPATH\\|RPATH\\)).*\\[\\(.*\\)\\]/\\2/p'",
        &out);
  while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
  return out;
}

class InstalledProgram : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    char pattern[] = "/tmp/camviewer_install_test_XXXXXX";
    if (!mkdtemp(pattern)) {
      setupError_ = "no scratch folder";
      return;
    }
    scratch_ = new fs::path(pattern);
    std::string out;
    const int status = shell(std::string(kCmake) + " --install " + shellQuoted(kBuildDir) +
                                 " --prefix " + shellQuoted(prefix().string()),
                             &out);
    if (status != 0) setupError_ = "cmake --install failed (" + std::to_string(status) + "):\n" + out;
  }
  static void TearDownTestSuite() {
    std::error_code ec;
    if (scratch_) fs::remove_all(*scratch_, ec);
    delete scratch_;
    scratch_ = nullptr;
  }
  void SetUp() override { ASSERT_TRUE(setupError_.empty()) << setupError_; }

  static fs::path prefix() { return *scratch_ / "prefix"; }

  static fs::path* scratch_;
  static std::string setupError_;
};

fs::path* InstalledProgram::scratch_ = nullptr;
std::string InstalledProgram::setupError_;

TEST_F(InstalledProgram, LaysOutBinLibShareAndADesktopEntry) {
  const fs::path p = prefix();
  const char* const expected[] = {
      "bin/camviewer",
      "lib/libTessan.so",
      "lib/libVornet.so",
      "lib/libKV_VideoCodec.so",
      "lib/libKV_AudioCodec.so",
      "lib/libKV_MP4.so",
      "share/camviewer/countrycode.json",
      "share/camviewer/Orvanta_image/ic_logo.png",
      "share/camviewer/Orvanta_image/login.gif",
      "share/camviewer/Orvanta_image/ic_system setting.png",
      "share/applications/camviewer.desktop",
      "share/icons/hicolor/128x128/apps/camviewer.png",
  };
  for (const char* e : expected) EXPECT_TRUE(fs::is_regular_file(p / e)) << e;
  // Every picture the build made is installed.
  const std::set<std::string> built = pathsUnder(fs::path(kBuildDir) / "bin/Orvanta_image");
  EXPECT_FALSE(built.empty());
  EXPECT_EQ(pathsUnder(p / "share/camviewer/Orvanta_image"), built);
  EXPECT_TRUE(modeOf(p / "bin/camviewer") & 0100) << "not executable";

  // The program and its libraries find each other inside the installation.
  EXPECT_EQ(runPath(p / "bin/camviewer"), "$ORIGIN/../lib");
  for (const char* lib : {"libTessan.so", "libVornet.so", "libKV_MP4.so"})
    EXPECT_EQ(runPath(p / "lib" / lib), "$ORIGIN") << lib;
  std::string ldd;
  ASSERT_EQ(shell("ldd " + shellQuoted((p / "bin/camviewer").string()), &ldd), 0) << ldd;
  for (const char* lib : {"libTessan.so", "libVornet.so", "libKV_VideoCodec.so",
                          "libKV_AudioCodec.so", "libKV_MP4.so"}) {
    const std::string arrow = std::string(lib) + " => ";
    const size_t at = ldd.find(arrow);
    ASSERT_NE(at, std::string::npos) << lib << "\n" << ldd;
    const size_t from = at + arrow.size();
    const fs::path found = ldd.substr(from, ldd.find(" (", from) - from);
    EXPECT_EQ(fs::weakly_canonical(found), fs::weakly_canonical(p / "lib" / lib)) << ldd;
  }
  EXPECT_EQ(ldd.find(kBuildDir), std::string::npos) << ldd;

  // The desktop entry: accepted as it is, naming the installed program and icon.
  const fs::path entry = p / "share/applications/camviewer.desktop";
  std::string verdict;
  EXPECT_EQ(shell("desktop-file-validate " + shellQuoted(entry.string()), &verdict), 0) << verdict;
  EXPECT_EQ(verdict, "");
  const std::string text = testsupport::readTextFile(entry.string());
  EXPECT_NE(text.find("\nExec=camviewer\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\nIcon=camviewer\n"), std::string::npos) << text;
  int w = 0, h = 0;
  ASSERT_TRUE(testsupport::pngSize((p / "share/icons/hicolor/128x128/apps/camviewer.png").string(),
                                   &w, &h));
  EXPECT_EQ(w, 128);
  EXPECT_EQ(h, 128);
}

// One user of the installed program: a HOME and a runtime folder of their own.
struct User {
  fs::path home;
  fs::path runtime;
  fs::path dataDir() const { return home / ".local/share/camviewer"; }
  fs::path log() const { return dataDir() / "debug.txt"; }
};

class InstalledProgramRuns : public InstalledProgram {
 protected:
  void SetUp() override {
    InstalledProgram::SetUp();
    std::string error;
    ASSERT_TRUE(xvfb_.start(3840, 2160, &error)) << error;
    xvfb_.exportDisplay();
    desk_ = std::make_unique<testsupport::XDesktop>(xvfb_.display(), scratch_->string());
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    for (const char* v : {"CAMVIEWER_DATA_DIR", "CAMVIEWER_PROGRAM_DIR", "CAMVIEWER_CLOUD_URL",
                          "CAMVIEWER_CLOUD_CA", "XDG_DATA_HOME"})
      unsetenv(v);
    hideTrees();
  }

  // The sanitizers' options of a sanitizer build name suppression files in
  // the source tree, which the program cannot see: copies stand in.
  void hideTrees() {
    const fs::path copies = *scratch_ / "suppressions";
    fs::create_directories(copies);
    const fs::path support = fs::path(kSourceDir) / "tests/support";
    for (const char* name : {"lsan.supp", "tsan.supp"}) {
      std::error_code ec;
      fs::copy_file(support / name, copies / name, fs::copy_options::overwrite_existing, ec);
    }
    for (const char* v : {"ASAN_OPTIONS", "LSAN_OPTIONS", "TSAN_OPTIONS", "UBSAN_OPTIONS"}) {
      const char* value = getenv(v);
      if (!value) continue;
      std::string s = value;
      for (size_t at = s.find(support.string()); at != std::string::npos;
           at = s.find(support.string(), at))
        s.replace(at, support.string().size(), copies.string());
      setenv(v, s.c_str(), 1);
    }
  }

  User user(const std::string& name) {
    User u{*scratch_ / ("home-" + name), *scratch_ / ("runtime-" + name)};
    fs::create_directories(u.home);
    fs::create_directories(u.runtime);
    fs::permissions(u.runtime, fs::perms::owner_all);
    return u;
  }

  // Starts the installed program as `u`, in a mount namespace of its own in
  // which tmpfs covers the source tree and the build tree.
  bool start(testworld::ChildProcess& program, const User& u, std::string* error) {
    setenv("HOME", u.home.c_str(), 1);
    setenv("XDG_RUNTIME_DIR", u.runtime.c_str(), 1);
    std::string hide = "mount -t tmpfs camviewer-hidden " + shellQuoted(kSourceDir);
    const std::string build = fs::weakly_canonical(kBuildDir).string();
    const std::string source = fs::weakly_canonical(kSourceDir).string();
    if (build.rfind(source + "/", 0) != 0)
      hide += " && mount -t tmpfs camviewer-hidden " + shellQuoted(build);
    return program.start("/usr/bin/unshare",
                         {"--mount", "/bin/sh", "-c",
                          hide + " && exec " + shellQuoted((prefix() / "bin/camviewer").string())},
                         error);
  }

  int dialogs() {
    int n = 0;
    for (const testsupport::XWindow& w : desk_->windows())
      n += w.width == kDialogWidth && w.height == kDialogHeight;
    return n;
  }

  testsupport::XvfbServer xvfb_;
  std::unique_ptr<testsupport::XDesktop> desk_;
};

TEST_F(InstalledProgramRuns, ShowsItsDialogAndKeepsEachUsersDataInTheirHome) {
  const std::set<std::string> installed = pathsUnder(prefix());
  const User ann = user("ann");
  testworld::ChildProcess first;
  std::string error;
  ASSERT_TRUE(start(first, ann, &error)) << error;
  testsupport::XWindow dialog;
  ASSERT_TRUE(desk_->waitForWindow(testsupport::sized(kDialogWidth, kDialogHeight), 60000, &dialog))
      << "no sign-in dialog\n" << testsupport::readTextFile(ann.log().string());

  // Its pictures came from share/camviewer: the logo and the remember-me
  // box are drawn as the installed files hold them.
  const std::string png = testsupport::artifactsDir("install_test") + "/installed_sign_in.png";
  const QImage shot = desk_->screenshot(png);
  ASSERT_FALSE(shot.isNull());
  const fs::path pictures = prefix() / "share/camviewer/Orvanta_image";
  const struct {
    const char* file;
    QRect inDialog;
  } drawn[] = {{"ic_logo.png", QRect(263, 80, 114, 96)},
               {"icon_remeber_unselected.png", QRect(66, 769, 32, 32)}};
  for (const auto& d : drawn) {
    QImage picture(QString::fromStdString((pictures / d.file).string()));
    ASSERT_FALSE(picture.isNull()) << d.file;
    picture = overWhite(picture);  // as the dialog's white shows through
    const QRect onScreen = d.inDialog.translated(dialog.x, dialog.y);
    EXPECT_LT(testsupport::meanDifference(shot, onScreen, picture, picture.rect(), 8), 12.0)
        << d.file << " is not what the dialog shows (" << png << ")";
    EXPECT_GT(testsupport::areaColours(shot, onScreen, 8).classes, 1) << d.file << ": nothing drawn";
  }

  // The log: in the user's own data folder, which is private.
  ASSERT_TRUE(testsupport::pollUntil(
      [&] { return testsupport::countOf(testsupport::readTextFile(ann.log().string()),
                                        "version number:") == 1; },
      30000))
      << ann.log();
  EXPECT_EQ(modeOf(ann.dataDir()), 0700u);
  EXPECT_EQ(modeOf(ann.log()), 0600u);

  // A second user at the same time: a dialog of their own, a log of their
  // own, in a data folder an earlier run left open to others (made private).
  const User bob = user("bob");
  fs::create_directories(bob.dataDir());
  fs::permissions(bob.dataDir(), fs::perms(0755));
  testworld::ChildProcess second;
  ASSERT_TRUE(start(second, bob, &error)) << error;
  EXPECT_TRUE(testsupport::pollUntil([&] { return dialogs() == 2; }, 60000))
      << "the second user's program shows no dialog";
  ASSERT_TRUE(testsupport::pollUntil(
      [&] { return testsupport::countOf(testsupport::readTextFile(bob.log().string()),
                                        "version number:") == 1; },
      30000))
      << bob.log();
  EXPECT_EQ(testsupport::countOf(testsupport::readTextFile(ann.log().string()), "version number:"), 1)
      << "the second user's program wrote into the first user's log";
  EXPECT_EQ(modeOf(bob.dataDir()), 0700u);
  EXPECT_EQ(testsupport::countOf(testsupport::readTextFile(bob.log().string()),
                                 "made private: \"" + bob.dataDir().string() + "\" (was 755)"),
            1);
  EXPECT_EQ(first.wait(0), -1) << "the first user's program ended";

  // A termination signal ends the program as a close answered with Yes
  // (its links ended first: a loaded machine may take a while).
  for (testworld::ChildProcess* program : {&second, &first}) {
    ASSERT_EQ(kill(program->pid(), SIGTERM), 0);
    EXPECT_EQ(program->wait(60000), 0);
  }
  EXPECT_EQ(pathsUnder(prefix()), installed) << "the program wrote into its installation";
}

}  // namespace
