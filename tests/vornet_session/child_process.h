// A program of the test world run as a child process: its standard output
// is read line by line with a time limit; it is stopped (SIGTERM, then
// SIGKILL) when the object goes away.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace world_test {

class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess() { stop(); }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Starts `program` with `args`; false with `error` when it cannot.
  bool start(const std::string& program, const std::vector<std::string>& args, std::string* error);
  // The next line of its standard output within timeoutMs; false on time-out or end.
  bool readLine(std::string* line, int timeoutMs);
  // Reads lines until one contains `needle`; false when none came in time.
  bool waitFor(const std::string& needle, int timeoutMs, std::string* line = nullptr);
  // Waits up to timeoutMs for the child to end by itself: its exit status
  // (or 128 + signal), or -1 when it is still running.
  int wait(int timeoutMs);
  // SIGTERM, up to 3 s for it to end, then SIGKILL. Returns the exit status
  // (or 128 + signal), -1 when it was not running.
  int stop();
  bool running() const { return pid_ > 0; }
  pid_t pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
  std::string pending_;
};

}  // namespace world_test
