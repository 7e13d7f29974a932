// A process that ends without APP_uninit or KV_DeInitialize, with the
// libraries' threads still running (as the client does: the device link is
// never uninitialised), exits with its own status: no abort from thread
// objects destroyed at exit, no hang. Each case runs exit_probe as a child
// process, in a network namespace of its own, with the peer it needs.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <ostream>
#include <cstdlib>
#include <string>
#include <vector>

#include "child_process.h"
#include "fresh_netns.h"
#include "netns_test.h"
#include "test_artifacts.h"

namespace {

enum class Peer { None, Camera, Device };

struct ExitCase {
  const char* name;  // exit_probe's case
  Peer peer;
  const char* how;   // "return" from main or "exit"
};

void PrintTo(const ExitCase& c, std::ostream* os) { *os << c.name << " " << c.how; }

std::string caseName(const ::testing::TestParamInfo<ExitCase>& info) {
  std::string n = std::string(info.param.name) + "_" + info.param.how;
  for (char& c : n)
    if (c == '-') c = '_';
  return n;
}

class ProcessExit : public ::testing::TestWithParam<ExitCase> {
 protected:
  void SetUp() override {
    REQUIRE_PRIVATE_NETNS();
    const std::string ns = testsupport::enterFreshNetworkNamespace();
    ASSERT_TRUE(ns.empty()) << ns;
    char dir[] = "/tmp/process_exit.XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    dir_ = dir;
  }

  void TearDown() override {
    probe_.stop();
    peer_.stop();
    if (!dir_.empty()) std::system(("rm -rf '" + dir_ + "'").c_str());
  }

  void startPeer(Peer peer, const std::string& id) {
    std::string error;
    if (peer == Peer::Camera) {
      ASSERT_TRUE(peer_.start(EXIT_SIM_CAMERA,
                              {"--id", id, "--key", "exit-probe-key", "--lifetime", "60", "--work-dir",
                               testsupport::cameraClipCache()},
                              &error))
          << error;
      ASSERT_TRUE(peer_.waitFor("listening 1", 180000, nullptr, /*atStart=*/true)) << "camera did not listen";
    } else if (peer == Peer::Device) {
      ASSERT_TRUE(peer_.start(EXIT_LISTEN_DEVICE, {"--id", id, "--no-detect", "--lifetime", "60"}, &error)) << error;
      ASSERT_TRUE(peer_.waitFor("\"ev\":\"listening\"", 60000)) << "device did not listen";
    }
  }

  // The probe ends on purpose without the teardown that joins the
  // libraries' threads: a connect thread or a LAN probe sender that has
  // finished keeps its handle until its session closes or its search
  // stops. ThreadSanitizer's report of such never-joined threads is what
  // this test asks for, so the probe alone runs without it (its races are
  // still reported).
  bool startProbe(const std::vector<std::string>& args, std::string* error) {
    const char* old = std::getenv("TSAN_OPTIONS");
    const std::string saved = old ? old : "";
    ::setenv("TSAN_OPTIONS", (saved + ":report_thread_leaks=0").c_str(), 1);
    const bool started = probe_.start(EXIT_PROBE_PROGRAM, args, error);
    if (old)
      ::setenv("TSAN_OPTIONS", saved.c_str(), 1);
    else
      ::unsetenv("TSAN_OPTIONS");
    return started;
  }

  testworld::ChildProcess peer_{2000};
  testworld::ChildProcess probe_;
  std::string dir_;
};

TEST_P(ProcessExit, EndsWithItsOwnStatusWhileLibraryThreadsRun) {
  const ExitCase& c = GetParam();
  const std::string id = "EXIT" + std::to_string(::getpid() % 100000);
  ASSERT_NO_FATAL_FAILURE(startPeer(c.peer, id));
  std::string error;
  ASSERT_TRUE(startProbe({c.name, id, c.how}, &error)) << error;
  std::string line;
  ASSERT_TRUE(probe_.waitFor("ready", 30000, &line, /*atStart=*/true)) << "last line: " << line;
  const auto ready = std::chrono::steady_clock::now();
  const int status = probe_.wait(5000);
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - ready).count();
  EXPECT_EQ(status, 0) << "134 is an abort, -1 a process still running after 5 s";
  RecordProperty("exit_ms", std::to_string(ms));
  std::printf("[ figures  ] %s %s: exit %lld ms after ready\n", c.name, c.how, static_cast<long long>(ms));
}

INSTANTIATE_TEST_SUITE_P(Cases, ProcessExit,
                         ::testing::Values(ExitCase{"connect", Peer::None, "return"},
                                           ExitCase{"connect", Peer::None, "exit"},
                                           ExitCase{"stream", Peer::Camera, "return"},
                                           ExitCase{"stream", Peer::Camera, "exit"},
                                           ExitCase{"disconnect", Peer::Camera, "return"},
                                           ExitCase{"disconnect", Peer::Camera, "exit"},
                                           ExitCase{"vornet", Peer::Device, "return"},
                                           ExitCase{"vornet", Peer::Device, "exit"},
                                           ExitCase{"lan-search", Peer::None, "return"},
                                           ExitCase{"lan-search", Peer::None, "exit"}),
                         caseName);

}  // namespace
