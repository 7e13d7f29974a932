// Everything a journey through the real program needs, set up in a network
// namespace of the caller's own: a private X server (3840 x 2160, where the
// program's design units are pixels), a private sound server with a null
// sink, the simulated world (tools/world/world.py) and the program itself as
// a child process with a fresh data folder, pointed at the world's cloud.
// Everything stops when the stage goes, and each part by its own lifetime.
#pragma once

#include <QImage>

#include <memory>
#include <string>
#include <vector>

#include "child_process.h"
#include "cloud_requests.h"
#include "pulse_null_sink.h"
#include "text_file.h"
#include "world_process.h"
#include "x_desktop.h"
#include "xvfb_server.h"

namespace journey {

class Stage {
 public:
  // `outDir` takes the screenshots and the files kept (created); `program`
  // is the camviewer to run.
  Stage(std::string outDir, std::string program);
  ~Stage();
  Stage(const Stage&) = delete;
  Stage& operator=(const Stage&) = delete;

  // Enters a fresh network namespace and starts the X server, the sound
  // server and the world (with `worldArgs`). False with `error` set.
  bool start(const std::vector<std::string>& worldArgs, std::string* error);

  // From now on the program runs under `timeout -k 10 SECONDS` (0, the
  // default: as it is). Its process is then the child of program().pid().
  void setProgramLifetime(int seconds) { programLifetime_ = seconds; }
  // The program with the stage's environment; a second call starts another copy.
  bool startProgram(std::string* error);
  testworld::ChildProcess& program() { return *program_; }
  // The program has ended (its status is kept).
  bool programEnded();
  // Waits up to timeoutMs for the program to end: its exit status, -1 while it runs.
  int waitProgramExit(int timeoutMs);
  // Runs one more copy while the first runs and returns its exit status
  // (-1 when it did not end within timeoutMs).
  int runAnotherCopy(int timeoutMs);

  // debug.txt of the data folder; waits (bounded) until it holds `needle`
  // at least `count` times (false at once when the program has ended).
  std::string log() const;
  bool waitForLog(const std::string& needle, int count, int timeoutMs);
  // The client's requests to the cloud so far.
  std::vector<CloudRequest> cloudRequests() const;

  // A screenshot of the whole screen, kept as `name` (a .png) in the out folder.
  QImage shot(const std::string& name);
  testsupport::XDesktop& desk() { return *desk_; }
  WorldProcess& world() { return world_; }
  const world::WorldEnv& env() const { return world_.env(); }
  testsupport::PulseNullSink& sound() { return sound_; }

  const std::string& outDir() const { return out_; }
  std::string dataDir() const { return scratch_ + "/data"; }
  // Copies `path` into the out folder (under its own name); the copy's path.
  std::string keepFile(const std::string& path) const;

 private:
  std::string out_;
  std::string programPath_;
  int programLifetime_ = 0;
  std::string scratch_;
  testsupport::XvfbServer xvfb_;
  testsupport::PulseNullSink sound_;
  WorldProcess world_;
  std::unique_ptr<testsupport::XDesktop> desk_;
  std::unique_ptr<testworld::ChildProcess> program_;
  int exitStatus_ = -1;

  // Starts `child` as the program (under timeout when a lifetime is set).
  bool startProgramAs(testworld::ChildProcess& child, std::string* error) const;
};

using testsupport::countOf;

}  // namespace journey
