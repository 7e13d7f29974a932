// The lan_device program: answers the real search and ends by itself.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "lan_search.h"
#include "netns_test.h"
#include "search_recorder.h"
#include "tessan_lan_search.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

// The program under test, with its standard output and error on a pipe.
class Child {
 public:
  explicit Child(std::vector<std::string> args) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDERR_FILENO);
    args.insert(args.begin(), LAN_DEVICE_PROGRAM);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, LAN_DEVICE_PROGRAM, &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    out_ = fds[0];
  }
  ~Child() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) close(out_);
  }

  bool started() const { return pid_ > 0; }

  // Reads output until `text` appears or timeoutMs passes.
  bool readUntil(const std::string& text, int timeoutMs) {
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (output_.find(text) == std::string::npos) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
      if (left <= 0) return false;
      pollfd p{out_, POLLIN, 0};
      if (poll(&p, 1, static_cast<int>(left)) <= 0) continue;
      char buf[512];
      const ssize_t n = read(out_, buf, sizeof buf);
      if (n <= 0) return output_.find(text) != std::string::npos;
      output_.append(buf, static_cast<size_t>(n));
    }
    return true;
  }

  // The exit status, or -1 when it did not end within timeoutMs.
  int waitExit(int timeoutMs) {
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (Clock::now() < end) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return -1;
  }

  const std::string& output() const { return output_; }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
  std::string output_;
};

size_t occurrences(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST(TessanLanDeviceProgram, AnswersTheSearchAndEndsAfterItsProbes) {
  REQUIRE_PRIVATE_NETNS();
  Child device({"--mac", "02:77:66:55:44:33", "--name", "program", "--max-probes", "3",
                "--lifetime-ms", "10000"});
  ASSERT_TRUE(device.started());
  ASSERT_TRUE(device.readUntil("listening on port 8602", 5000)) << device.output();

  lan_search_setup();
  SearchRecorder recorder;
  ASSERT_EQ(APP_LANSearchStart(&SearchRecorder::callback, &recorder), 0);
  const lan_device::Mac mac{0x02, 0x77, 0x66, 0x55, 0x44, 0x33};
  EXPECT_TRUE(recorder.waitFor(mac, 60000));
  EXPECT_EQ(device.waitExit(5000), 0);
  device.readUntil("done", 1000);
  lan_search_teardown();

  EXPECT_EQ(occurrences(device.output(), "probe 4 bytes from 127.0.0.1:8603 to 255.255.255.255"), 3u)
      << device.output();
  ASSERT_EQ(recorder.countOf(mac), 1u);
  const DeliveredRecord r = recorder.records().front();
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(r.bytes.data())), "program");
  EXPECT_EQ(r.bytes[251], 4);
}

TEST(TessanLanDeviceProgram, EndsByItselfAfterItsLifetime) {
  REQUIRE_PRIVATE_NETNS();
  Child device({"--lifetime-ms", "200"});
  ASSERT_TRUE(device.started());
  EXPECT_EQ(device.waitExit(5000), 0);
}

TEST(TessanLanDeviceProgram, RefusesBadArguments) {
  REQUIRE_PRIVATE_NETNS();
  for (const char* bad : {"--mac=02:00:00:00:00:01", "--port"}) {
    Child device({bad});
    ASSERT_TRUE(device.started());
    EXPECT_EQ(device.waitExit(5000), 2) << bad;
    EXPECT_TRUE(device.readUntil("usage:", 1000)) << device.output();
  }
  Child device({"--mac", "02:00:00:00:00"});
  EXPECT_EQ(device.waitExit(5000), 2);
}

}  // namespace
