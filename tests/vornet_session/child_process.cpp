#include "child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

namespace world_test {

namespace {

long long now_ms() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

int status_code(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

}  // namespace

bool ChildProcess::start(const std::string& program, const std::vector<std::string>& args, std::string* error) {
  int pipeFds[2];
  if (pipe2(pipeFds, O_CLOEXEC) != 0) {
    *error = std::string("pipe: ") + std::strerror(errno);
    return false;
  }
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const pid_t pid = fork();
  if (pid < 0) {
    *error = std::string("fork: ") + std::strerror(errno);
    close(pipeFds[0]);
    close(pipeFds[1]);
    return false;
  }
  if (pid == 0) {
    // The child gets a clean signal mask (a test may block signals).
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    dup2(pipeFds[1], STDOUT_FILENO);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  close(pipeFds[1]);
  pid_ = pid;
  out_ = pipeFds[0];
  return true;
}

bool ChildProcess::readLine(std::string* line, int timeoutMs) {
  const long long end = now_ms() + timeoutMs;
  for (;;) {
    const auto nl = pending_.find('\n');
    if (nl != std::string::npos) {
      *line = pending_.substr(0, nl);
      pending_.erase(0, nl + 1);
      return true;
    }
    if (out_ < 0) return false;
    const long long left = end - now_ms();
    if (left <= 0) return false;
    pollfd p{out_, POLLIN, 0};
    const int n = poll(&p, 1, static_cast<int>(left));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    char buf[1024];
    const ssize_t got = read(out_, buf, sizeof buf);
    if (got <= 0) {
      close(out_);
      out_ = -1;
      continue;
    }
    pending_.append(buf, static_cast<size_t>(got));
  }
}

bool ChildProcess::waitFor(const std::string& needle, int timeoutMs, std::string* line) {
  const long long end = now_ms() + timeoutMs;
  std::string l;
  for (;;) {
    const long long left = end - now_ms();
    if (left <= 0 || !readLine(&l, static_cast<int>(left))) return false;
    if (l.find(needle) != std::string::npos) {
      if (line) *line = l;
      return true;
    }
  }
}

int ChildProcess::wait(int timeoutMs) {
  if (pid_ <= 0) return -1;
  const long long end = now_ms() + timeoutMs;
  int status = 0;
  for (;;) {
    const pid_t r = waitpid(pid_, &status, WNOHANG);
    if (r == pid_) {
      pid_ = -1;
      return status_code(status);
    }
    if (now_ms() >= end) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

int ChildProcess::stop() {
  if (pid_ <= 0) return -1;
  kill(pid_, SIGTERM);
  int status = 0;
  int result = -1;
  const long long end = now_ms() + 3000;
  for (;;) {
    const pid_t r = waitpid(pid_, &status, WNOHANG);
    if (r == pid_) {
      result = status_code(status);
      break;
    }
    if (r < 0 && errno != EINTR) break;
    if (now_ms() >= end) {
      kill(pid_, SIGKILL);
      if (waitpid(pid_, &status, 0) == pid_) result = status_code(status);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  pid_ = -1;
  if (out_ >= 0) close(out_);
  out_ = -1;
  return result;
}

}  // namespace world_test
