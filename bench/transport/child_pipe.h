// A helper process of the benchmark: this same program started again with
// other switches, talked to by lines over its standard input and output.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace bench {

class ChildPipe {
 public:
  ChildPipe() = default;
  ~ChildPipe() { stop(); }
  ChildPipe(const ChildPipe&) = delete;
  ChildPipe& operator=(const ChildPipe&) = delete;

  bool start(const std::string& program, const std::vector<std::string>& args);
  bool send(const std::string& line);
  // The next line within timeoutMs (false on time-out or end of output).
  bool readLine(std::string* line, int timeoutMs);
  // Lines until one starts with `prefix`.
  bool waitFor(const std::string& prefix, int timeoutMs, std::string* line);
  // SIGTERM, then SIGKILL after 3 s; the exit status or -1.
  int stop();

 private:
  pid_t pid_ = -1;
  int in_ = -1;
  int out_ = -1;
  std::string pending_;
};

// The path of this program.
std::string self_path();

}  // namespace bench
