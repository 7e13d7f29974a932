// A program of the test world run as a child process, talked to by lines:
// its standard input is written with send(), its standard output read line
// by line with a time limit. The child ends with its parent (PDEATHSIG) and
// is stopped when the object goes away: its input is closed, it gets
// `exitGraceMs` to end by itself, then SIGTERM, then SIGKILL after 3 s.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace testworld {

class ChildProcess {
 public:
  explicit ChildProcess(int exitGraceMs = 0) : exitGraceMs_(exitGraceMs) {}
  ~ChildProcess() { stop(); }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Starts `program` with `args`; false (with `error` when given) when it cannot.
  bool start(const std::string& program, const std::vector<std::string>& args,
             std::string* error = nullptr);
  // Writes `line` and a newline to the child's standard input.
  bool send(const std::string& line);
  // The next line of its standard output within timeoutMs; false on time-out or end.
  bool readLine(std::string* line, int timeoutMs);
  // Reads lines until one contains `needle` (or, with atStart, begins with
  // it); false when none came in time.
  bool waitFor(const std::string& needle, int timeoutMs, std::string* line = nullptr,
               bool atStart = false);
  // Waits up to timeoutMs for the child to end by itself: its exit status
  // (or 128 + signal), or -1 when it is still running.
  int wait(int timeoutMs);
  // Ends the child as described above. Its exit status (or 128 + signal),
  // -1 when it was not running.
  int stop();
  bool running() const { return pid_ > 0; }
  pid_t pid() const { return pid_; }

 private:
  int exitGraceMs_;
  pid_t pid_ = -1;
  int in_ = -1;
  int out_ = -1;
  std::string pending_;
};

// The path of the running program (/proc/self/exe).
std::string selfPath();

}  // namespace testworld
