// A private sound server for tests: PulseAudio with one null sink
// ("nullsink") on a Unix socket in a scratch folder, started by the test
// and ended with it. Programs reach it through PULSE_SERVER; what they play
// is recorded from "nullsink.monitor" with parec, so a test can look for the
// camera's tone in what really came out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "child_process.h"

namespace testsupport {

class PulseNullSink {
 public:
  PulseNullSink() = default;
  ~PulseNullSink() { stop(); }
  PulseNullSink(const PulseNullSink&) = delete;
  PulseNullSink& operator=(const PulseNullSink&) = delete;

  // Starts the server in `scratchDir` (created when missing) and waits
  // (bounded) until it answers. False with `error` set when it cannot.
  bool start(const std::string& scratchDir, std::string* error, int lifetimeSeconds = 600);
  void stop();

  // "unix:<socket>" while running.
  const std::string& serverAddress() const { return address_; }
  // Sets PULSE_SERVER (and a private XDG_RUNTIME_DIR when none is set) for
  // this process and its children.
  void exportServer() const;

  // Records the sink's monitor as raw signed 16-bit little-endian PCM.
  bool startRecording(const std::string& rawPath, int rate, int channels, std::string* error);
  // Bytes recorded so far.
  long long recordedBytes() const;
  // Waits (bounded) until the recording holds at least `bytes`. The
  // monitor runs in real time, so waiting for N more bytes after a sound
  // ended gives its tail time to come through.
  bool waitForBytes(long long bytes, int timeoutMs) const;
  // Ends the recording and returns its samples (interleaved).
  std::vector<int16_t> stopRecording();

 private:
  testworld::ChildProcess server_;
  testworld::ChildProcess recorder_;
  std::string dir_;
  std::string address_;
  std::string rawPath_;
};

}  // namespace testsupport
