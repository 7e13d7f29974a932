#include "child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <thread>

namespace testworld {

namespace {

long long nowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

int statusCode(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

void closeFd(int* fd) {
  if (*fd >= 0) close(*fd);
  *fd = -1;
}

}  // namespace

std::string selfPath() {
  char buf[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  return n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string();
}

bool ChildProcess::start(const std::string& program, const std::vector<std::string>& args,
                         std::string* error) {
  int toChild[2];
  int fromChild[2];
  if (pipe2(toChild, O_CLOEXEC) != 0) {
    if (error) *error = std::string("pipe: ") + std::strerror(errno);
    return false;
  }
  if (pipe2(fromChild, O_CLOEXEC) != 0) {
    if (error) *error = std::string("pipe: ") + std::strerror(errno);
    close(toChild[0]);
    close(toChild[1]);
    return false;
  }
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const pid_t pid = fork();
  if (pid < 0) {
    if (error) *error = std::string("fork: ") + std::strerror(errno);
    for (int fd : {toChild[0], toChild[1], fromChild[0], fromChild[1]}) close(fd);
    return false;
  }
  if (pid == 0) {
    prctl(PR_SET_PDEATHSIG, SIGTERM);  // ends with its parent, however that ends
    sigset_t none;                     // a clean signal mask (the parent may block some)
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    dup2(toChild[0], STDIN_FILENO);
    dup2(fromChild[1], STDOUT_FILENO);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  close(toChild[0]);
  close(fromChild[1]);
  pid_ = pid;
  in_ = toChild[1];
  out_ = fromChild[0];
  return true;
}

bool ChildProcess::send(const std::string& line) {
  const std::string l = line + "\n";
  return in_ >= 0 && write(in_, l.data(), l.size()) == static_cast<ssize_t>(l.size());
}

bool ChildProcess::readLine(std::string* line, int timeoutMs) {
  const long long end = nowMs() + timeoutMs;
  for (;;) {
    const auto nl = pending_.find('\n');
    if (nl != std::string::npos) {
      *line = pending_.substr(0, nl);
      pending_.erase(0, nl + 1);
      return true;
    }
    if (out_ < 0) return false;
    const long long left = end - nowMs();
    if (left <= 0) return false;
    pollfd p{out_, POLLIN, 0};
    const int n = poll(&p, 1, static_cast<int>(left));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    char buf[1024];
    const ssize_t got = read(out_, buf, sizeof buf);
    if (got <= 0) {
      closeFd(&out_);
      continue;
    }
    pending_.append(buf, static_cast<size_t>(got));
  }
}

bool ChildProcess::waitFor(const std::string& needle, int timeoutMs, std::string* line,
                           bool atStart) {
  const long long end = nowMs() + timeoutMs;
  std::string l;
  for (;;) {
    const long long left = end - nowMs();
    if (left <= 0 || !readLine(&l, static_cast<int>(left))) return false;
    const bool match = atStart ? l.compare(0, needle.size(), needle) == 0
                               : l.find(needle) != std::string::npos;
    if (match) {
      if (line) *line = l;
      return true;
    }
  }
}

int ChildProcess::wait(int timeoutMs) {
  if (pid_ <= 0) return -1;
  const long long end = nowMs() + timeoutMs;
  int status = 0;
  for (;;) {
    const pid_t r = waitpid(pid_, &status, WNOHANG);
    if (r == pid_) {
      pid_ = -1;
      return statusCode(status);
    }
    if (r < 0 && errno != EINTR) {
      pid_ = -1;
      return -1;
    }
    if (nowMs() >= end) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

int ChildProcess::stop() {
  closeFd(&in_);  // a helper that reads its input ends by itself once it closes
  int result = -1;
  if (pid_ > 0) {
    const pid_t pid = pid_;
    result = exitGraceMs_ > 0 ? wait(exitGraceMs_) : -1;
    if (pid_ > 0) {
      kill(pid, SIGTERM);
      result = wait(3000);
      if (pid_ > 0) {
        kill(pid, SIGKILL);
        int status = 0;
        if (waitpid(pid, &status, 0) == pid) result = statusCode(status);
        pid_ = -1;
      }
    }
  }
  closeFd(&out_);
  pending_.clear();
  return result;
}

}  // namespace testworld
