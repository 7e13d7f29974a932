// world.py run by a test: in a scratch folder, with the build's rendezvous
// server, camera and clip cache, talked to through its standard input and
// output. Call it after the test has entered a namespace of its own (the
// world binds the fixed rendezvous ports).
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "child_process.h"
#include "world_env.h"

class WorldProcess {
 public:
  WorldProcess();
  ~WorldProcess();
  WorldProcess(const WorldProcess&) = delete;
  WorldProcess& operator=(const WorldProcess&) = delete;

  // Starts it with `extraArgs` and waits (bounded) until it is ready and its
  // env file is read; false with `error` set (and the world's output) when not.
  bool start(const std::vector<std::string>& extraArgs, std::string* error);
  const world::WorldEnv& env() const { return env_; }
  const std::string& dir() const { return dir_; }
  pid_t pid() const { return process_.pid(); }

  bool command(const std::string& line) { return process_.send(line); }
  // The next output line starting with `prefix`, within timeoutMs.
  bool waitFor(const std::string& prefix, int timeoutMs, std::string* line = nullptr);
  // Reads the env file again (after a restart).
  bool rereadEnv(std::string* error);
  // Waits up to timeoutMs for the launcher to end: its status, -1 if it runs on.
  int waitExit(int timeoutMs);
  // Everything it printed so far, and its own log.
  std::string transcript() const;

  // The process is gone (no such process, or a zombie not yet reaped).
  static bool gone(pid_t pid);

 private:
  testworld::ChildProcess process_;
  std::string dir_;
  world::WorldEnv env_;
  std::vector<std::string> lines_;
};
