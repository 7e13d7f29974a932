// Runs the simulated camera as a child process and collects its report
// lines; the camera is stopped (SIGTERM, then SIGKILL) when the object dies.
#pragma once

#include <sys/types.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace linktest {

class CameraProcess {
 public:
  explicit CameraProcess(const std::vector<std::string>& args);
  ~CameraProcess();
  CameraProcess(const CameraProcess&) = delete;
  CameraProcess& operator=(const CameraProcess&) = delete;

  bool started() const { return pid_ > 0; }
  // Waits (bounded) for a line that starts with `prefix`; returns it, or "".
  std::string waitLine(const std::string& prefix, int ms);
  std::vector<std::string> lines();
  // Stops the camera and waits for it; returns its exit status (-1 if killed).
  int stop();

 private:
  void readLoop(int fd);

  pid_t pid_ = -1;
  std::thread reader_;
  std::mutex m_;
  std::condition_variable cv_;
  std::vector<std::string> lines_;
  bool eof_ = false;
};

}  // namespace linktest
