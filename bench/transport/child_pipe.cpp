#include "child_pipe.h"

#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <thread>

namespace bench {

std::string self_path() {
  char buf[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  return n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string();
}

bool ChildPipe::start(const std::string& program, const std::vector<std::string>& args) {
  int toChild[2];
  int fromChild[2];
  if (pipe(toChild) != 0) return false;
  if (pipe(fromChild) != 0) {
    close(toChild[0]);
    close(toChild[1]);
    return false;
  }
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const pid_t pid = fork();
  if (pid < 0) return false;
  if (pid == 0) {
    prctl(PR_SET_PDEATHSIG, SIGTERM);  // ends with the benchmark, however that ends
    dup2(toChild[0], 0);
    dup2(fromChild[1], 1);
    close(toChild[0]);
    close(toChild[1]);
    close(fromChild[0]);
    close(fromChild[1]);
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

bool ChildPipe::send(const std::string& line) {
  const std::string l = line + "\n";
  return in_ >= 0 && write(in_, l.data(), l.size()) == static_cast<ssize_t>(l.size());
}

bool ChildPipe::readLine(std::string* line, int timeoutMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    const size_t nl = pending_.find('\n');
    if (nl != std::string::npos) {
      *line = pending_.substr(0, nl);
      pending_.erase(0, nl + 1);
      return true;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
    if (left.count() <= 0 || out_ < 0) return false;
    pollfd p{out_, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
    char buf[512];
    const ssize_t n = read(out_, buf, sizeof buf);
    if (n <= 0) return false;
    pending_.append(buf, static_cast<size_t>(n));
  }
}

bool ChildPipe::waitFor(const std::string& prefix, int timeoutMs, std::string* line) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (std::chrono::steady_clock::now() < end) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
    if (!readLine(line, static_cast<int>(left.count()) + 1)) return false;
    if (line->compare(0, prefix.size(), prefix) == 0) return true;
  }
  return false;
}

namespace {

bool reaped(pid_t pid, int* status, int ms) {
  for (int waited = 0; waited < ms; waited += 10) {
    if (waitpid(pid, status, WNOHANG) == pid) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

}  // namespace

int ChildPipe::stop() {
  if (in_ >= 0) close(in_);  // the helper ends by itself once its input closes
  in_ = -1;
  if (pid_ <= 0) return -1;
  int status = 0;
  if (!reaped(pid_, &status, 1000)) {
    kill(pid_, SIGTERM);
    if (!reaped(pid_, &status, 3000)) {
      kill(pid_, SIGKILL);
      waitpid(pid_, &status, 0);
    }
  }
  pid_ = -1;
  if (out_ >= 0) close(out_);
  out_ = -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace bench
