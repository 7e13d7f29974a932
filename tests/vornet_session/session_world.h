// Fixture of the session tests: each test gets its own network namespace
// (nested in the suite's private one), an initialised library in this
// process, and on demand the simulated rendezvous servers and a listening
// device as child processes with a bounded lifetime, stopped in TearDown.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "child_process.h"
#include "raw_peer.h"
#include "record_reader.h"

namespace world_test {

using testworld::ChildProcess;


class Stopwatch {
 public:
  Stopwatch() : start_(std::chrono::steady_clock::now()) {}
  long long ms() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start_).count();
  }

 private:
  std::chrono::steady_clock::time_point start_;
};

class SessionWorld : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Starts the rendezvous program with `switches` (plus --record and a
  // lifetime) and waits until its sockets are bound.
  void startServers(const std::vector<std::string>& switches);
  std::vector<JsonEntry> record() const;
  // Waits until the record holds an entry named `name` for `id` (any id
  // when empty), or the time is up.
  bool awaitRecord(const std::string& name, const std::string& id, int timeoutMs, JsonEntry* out = nullptr) const;

  // Starts a listening device with `switches` (plus a lifetime) and waits
  // for its first "listening" report.
  void startDevice(const std::vector<std::string>& switches);
  // The device's next report with "ev" equal to `ev` within timeoutMs.
  bool deviceEvent(const std::string& ev, JsonEntry* out, int timeoutMs);

  ChildProcess servers;
  ChildProcess device;
  std::string recordPath;
};

// SessionWorld with a server played by hand on 127.0.0.1:60722. A waiting
// listen or connect sends it one HELLO from its session socket once it
// holds a slot.
class HandPlayedServerWorld : public SessionWorld {
 protected:
  void SetUp() override;
  std::unique_ptr<RawPeer> server;
};

// "a.b.c.d:port" of a socket address.
std::string text_of(const void* sockaddrIn);

}  // namespace world_test
