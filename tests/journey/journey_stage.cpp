#include "journey_stage.h"

#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "fresh_netns.h"
#include "text_file.h"

namespace fs = std::filesystem;

namespace journey {

Stage::Stage(std::string outDir, std::string program)
    : out_(std::move(outDir)), programPath_(std::move(program)) {}

Stage::~Stage() {
  if (program_) program_->stop();
  program_.reset();
  desk_.reset();
  sound_.stop();
  xvfb_.stop();
  for (const char* v : {"CAMVIEWER_DATA_DIR", "XDG_RUNTIME_DIR", "CAMVIEWER_CLOUD_URL",
                        "CAMVIEWER_CLOUD_CA", "PULSE_SERVER"})
    unsetenv(v);
  std::error_code ignored;
  if (!scratch_.empty()) fs::remove_all(scratch_, ignored);
}

bool Stage::start(const std::vector<std::string>& worldArgs, std::string* error) {
  // The world binds fixed ports, and the X server's abstract socket belongs
  // to the namespace it starts in: only the program here reaches it.
  *error = testsupport::enterFreshNetworkNamespace();
  if (!error->empty()) return false;
  std::error_code ec;
  fs::create_directories(out_, ec);
  char pattern[] = "/tmp/camviewer_journey_XXXXXX";
  if (!mkdtemp(pattern)) {
    *error = "no scratch folder";
    return false;
  }
  scratch_ = pattern;
  fs::create_directories(dataDir());
  fs::create_directories(scratch_ + "/runtime");
  fs::permissions(scratch_ + "/runtime", fs::perms::owner_all);
  setenv("XDG_RUNTIME_DIR", (scratch_ + "/runtime").c_str(), 1);
  if (!xvfb_.start(3840, 2160, error, 1800)) return false;
  if (!sound_.start(scratch_ + "/pulse", error, 1800)) return false;
  if (!world_.start(worldArgs, error)) return false;
  // The program inherits this environment.
  xvfb_.exportDisplay();
  sound_.exportServer();
  setenv("QT_QPA_PLATFORM", "xcb", 1);
  setenv("CAMVIEWER_DATA_DIR", dataDir().c_str(), 1);
  setenv("CAMVIEWER_CLOUD_URL", env().cloudUrl.c_str(), 1);
  setenv("CAMVIEWER_CLOUD_CA", env().caFile.c_str(), 1);
  unsetenv("CAMVIEWER_PROGRAM_DIR");
  desk_ = std::make_unique<testsupport::XDesktop>(xvfb_.display(), scratch_);
  return true;
}

bool Stage::startProgramAs(testworld::ChildProcess& child, std::string* error) const {
  if (programLifetime_ <= 0) return child.start(programPath_, {}, error);
  return child.start("/usr/bin/timeout", {"-k", "10", std::to_string(programLifetime_), programPath_}, error);
}

bool Stage::startProgram(std::string* error) {
  if (program_) program_->stop();
  program_ = std::make_unique<testworld::ChildProcess>();
  exitStatus_ = -1;
  return startProgramAs(*program_, error);
}

int Stage::runAnotherCopy(int timeoutMs) {
  testworld::ChildProcess copy;
  std::string error;
  if (!startProgramAs(copy, &error)) return -1;
  return copy.wait(timeoutMs);
}

std::string Stage::log() const { return testsupport::readTextFile(dataDir() + "/debug.txt"); }

bool Stage::programEnded() { return waitProgramExit(0) != -1; }

int Stage::waitProgramExit(int timeoutMs) {
  if (!program_) return -1;
  if (program_->running()) {
    const int status = program_->wait(timeoutMs);
    if (status == -1) return -1;
    exitStatus_ = status;
  }
  return exitStatus_;
}

bool Stage::waitForLog(const std::string& needle, int count, int timeoutMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (countOf(log(), needle) < count) {
    if (std::chrono::steady_clock::now() >= end) return false;
    if (programEnded()) return countOf(log(), needle) >= count;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return true;
}

std::vector<CloudRequest> Stage::cloudRequests() const {
  const auto& v = env().values;
  return clientRequests(v.at("WORLD_CLOUD_LOG"), std::stoi(v.at("WORLD_CLOUD_LOG_SKIP")));
}

QImage Stage::shot(const std::string& name) {
  const std::string path = out_ + "/" + name;
  return desk_->screenshot(path);
}

std::string Stage::keepFile(const std::string& path) const {
  const std::string copy = out_ + "/" + fs::path(path).filename().string();
  std::error_code ec;
  fs::copy_file(path, copy, fs::copy_options::overwrite_existing, ec);
  return ec ? std::string() : copy;
}

}  // namespace journey
