#include "camera_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace linktest {

CameraProcess::CameraProcess(const std::vector<std::string>& args) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return;
  std::vector<const char*> argv;
  for (const std::string& a : args) argv.push_back(a.c_str());
  argv.push_back(nullptr);
  pid_ = fork();
  if (pid_ == 0) {
    dup2(fds[1], 1);
    execv(argv[0], const_cast<char* const*>(argv.data()));
    _exit(127);
  }
  close(fds[1]);
  if (pid_ < 0) {
    close(fds[0]);
    return;
  }
  reader_ = std::thread(&CameraProcess::readLoop, this, fds[0]);
}

CameraProcess::~CameraProcess() { stop(); }

void CameraProcess::readLoop(int fd) {
  std::string partial;
  char buf[4096];
  for (;;) {
    const ssize_t n = read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    partial.append(buf, size_t(n));
    size_t nl;
    while ((nl = partial.find('\n')) != std::string::npos) {
      std::lock_guard<std::mutex> l(m_);
      lines_.push_back(partial.substr(0, nl));
      partial.erase(0, nl + 1);
      cv_.notify_all();
    }
  }
  close(fd);
  std::lock_guard<std::mutex> l(m_);
  eof_ = true;
  cv_.notify_all();
}

std::string CameraProcess::waitLine(const std::string& prefix, int ms) {
  std::unique_lock<std::mutex> l(m_);
  std::string found;
  cv_.wait_for(l, std::chrono::milliseconds(ms), [&] {
    for (const std::string& line : lines_)
      if (line.rfind(prefix, 0) == 0) {
        found = line;
        return true;
      }
    return eof_;
  });
  return found;
}

std::vector<std::string> CameraProcess::lines() {
  std::lock_guard<std::mutex> l(m_);
  return lines_;
}

int CameraProcess::stop() {
  if (pid_ <= 0) return -1;
  kill(pid_, SIGTERM);
  int status = 0;
  bool reaped = false;
  for (int i = 0; i < 100 && !reaped; ++i) {  // at most 10 s
    reaped = waitpid(pid_, &status, WNOHANG) == pid_;
    if (!reaped) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  if (!reaped) {
    kill(pid_, SIGKILL);
    waitpid(pid_, &status, 0);
  }
  pid_ = -1;
  if (reader_.joinable()) reader_.join();
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace linktest
