#include "session_world.h"

#include <unistd.h>

#include <atomic>
#include <thread>

#include "Vornet.h"
#include "datagram.h"
#include "fresh_netns.h"
#include "netns_test.h"

namespace world_test {

namespace {
std::atomic<int> recordCounter{0};
constexpr const char* kLifetime = "60";  // seconds: no child outlives a hung test for long
}  // namespace

std::string text_of(const void* sockaddrIn) {
  return rendezvous::address_text(*static_cast<const sockaddr_in*>(sockaddrIn));
}

void SessionWorld::SetUp() {
  REQUIRE_PRIVATE_NETNS();
  const std::string problem = testsupport::enterFreshNetworkNamespace();
  ASSERT_EQ(problem, "") << "cannot make the test's own network namespace";
  ASSERT_EQ(KV_Initialize(), 0);
}

void SessionWorld::TearDown() {
  KV_DeInitialize();
  // Both programs end with 0 when stopped; anything else (a crash, a
  // sanitizer report) is a fault of theirs or of the library they run.
  const int deviceEnd = device.stop();
  if (deviceEnd != -1) {
    EXPECT_EQ(deviceEnd, 0) << "the listening device ended badly";
  }
  const int serversEnd = servers.stop();
  if (serversEnd != -1) {
    EXPECT_EQ(serversEnd, 0) << "the rendezvous program ended badly";
  }
  if (!recordPath.empty()) unlink(recordPath.c_str());
}

void HandPlayedServerWorld::SetUp() {
  SessionWorld::SetUp();
  if (HasFatalFailure()) return;
  server = std::make_unique<RawPeer>("127.0.0.1", 60722);
  ASSERT_TRUE(server->ok());
}

void SessionWorld::startServers(const std::vector<std::string>& switches) {
  recordPath = ::testing::TempDir() + "rendezvous-" + std::to_string(getpid()) + "-" +
               std::to_string(recordCounter++) + ".jsonl";
  std::vector<std::string> args = switches;
  args.insert(args.end(), {"--record", recordPath, "--lifetime", kLifetime});
  std::string error;
  ASSERT_TRUE(servers.start(RENDEZVOUS_PROGRAM, args, &error)) << error;
  ASSERT_TRUE(servers.waitFor("ready", 60000)) << "the rendezvous program did not come up";
}

std::vector<JsonEntry> SessionWorld::record() const { return read_json_lines(recordPath); }

bool SessionWorld::awaitRecord(const std::string& name, const std::string& id, int timeoutMs, JsonEntry* out) const {
  const Stopwatch sw;
  do {
    for (const auto& e : named(record(), name)) {
      if (!id.empty() && e.s("id") != id) continue;
      if (out) *out = e;
      return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  } while (sw.ms() < timeoutMs);
  return false;
}

void SessionWorld::startDevice(const std::vector<std::string>& switches) {
  std::vector<std::string> args = switches;
  args.insert(args.end(), {"--lifetime", kLifetime});
  std::string error;
  ASSERT_TRUE(device.start(LISTEN_DEVICE_PROGRAM, args, &error)) << error;
  JsonEntry e;
  ASSERT_TRUE(deviceEvent("listening", &e, 60000)) << "the device did not start listening";
}

bool SessionWorld::deviceEvent(const std::string& ev, JsonEntry* out, int timeoutMs) {
  const Stopwatch sw;
  std::string line;
  for (long long left = timeoutMs; left > 0; left = timeoutMs - sw.ms()) {
    if (!device.readLine(&line, static_cast<int>(left))) return false;
    JsonEntry e;
    if (parse_json_line(line, &e) && e.s("ev") == ev) {
      *out = e;
      return true;
    }
  }
  return false;
}

}  // namespace world_test
