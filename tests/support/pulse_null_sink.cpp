#include "pulse_null_sink.h"

#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <thread>

namespace testsupport {

namespace {

bool pactlAnswers(const std::string& address) {
  const std::string cmd =
      "PULSE_SERVER='" + address + "' timeout 5 pactl info >/dev/null 2>&1";
  return std::system(cmd.c_str()) == 0;
}

}  // namespace

bool PulseNullSink::start(const std::string& scratchDir, std::string* error,
                          int lifetimeSeconds) {
  stop();
  std::error_code ec;
  dir_ = scratchDir;
  std::filesystem::create_directories(dir_ + "/home", ec);
  std::filesystem::create_directories(dir_ + "/run", ec);
  chmod((dir_ + "/run").c_str(), 0700);
  const std::string socket = dir_ + "/run/native";
  std::filesystem::remove(socket, ec);
  // The server takes its folders from the environment it starts with.
  std::string why;
  if (!server_.start("/usr/bin/timeout",
                     {std::to_string(lifetimeSeconds), "/usr/bin/env", "HOME=" + dir_ + "/home",
                      "PULSE_RUNTIME_PATH=" + dir_ + "/run", "/usr/bin/pulseaudio", "-n",
                      "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
                      "--disallow-exit", "--log-target=stderr", "--log-level=error",
                      "--load=module-native-protocol-unix socket=" + socket + " auth-anonymous=1",
                      "--load=module-null-sink sink_name=nullsink"},
                     &why)) {
    if (error) *error = "cannot start pulseaudio: " + why;
    return false;
  }
  address_ = "unix:" + socket;
  for (int i = 0; i < 100; ++i) {
    if (pactlAnswers(address_)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  if (error) *error = "pulseaudio does not answer on " + address_;
  stop();
  return false;
}

void PulseNullSink::stop() {
  recorder_.stop();
  server_.stop();
  address_.clear();
}

void PulseNullSink::exportServer() const {
  setenv("PULSE_SERVER", address_.c_str(), 1);
  if (!getenv("XDG_RUNTIME_DIR")) setenv("XDG_RUNTIME_DIR", (dir_ + "/run").c_str(), 1);
}

bool PulseNullSink::startRecording(const std::string& rawPath, int rate, int channels,
                                   std::string* error) {
  recorder_.stop();
  rawPath_ = rawPath;
  // parec writes to its standard output; a shell sends that to the file.
  const std::string cmd = "PULSE_SERVER='" + address_ +
                          "' exec parec -d nullsink.monitor --latency-msec=20 --raw --format=s16le --rate=" +
                          std::to_string(rate) + " --channels=" + std::to_string(channels) +
                          " > '" + rawPath + "'";
  std::string why;
  if (!recorder_.start("/bin/sh", {"-c", cmd}, &why)) {
    if (error) *error = "cannot start parec: " + why;
    return false;
  }
  // Recording starts once parec is attached to the monitor.
  const std::string attached = "PULSE_SERVER='" + address_ +
                               "' timeout 5 pactl list short source-outputs | grep -q .";
  for (int i = 0; i < 100; ++i) {
    if (std::system(attached.c_str()) == 0) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  if (error) *error = "parec did not attach to nullsink.monitor";
  recorder_.stop();
  return false;
}

long long PulseNullSink::recordedBytes() const {
  std::error_code ec;
  const auto size = std::filesystem::file_size(rawPath_, ec);
  return ec ? 0 : static_cast<long long>(size);
}

bool PulseNullSink::waitForBytes(long long bytes, int timeoutMs) const {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (std::chrono::steady_clock::now() < end) {
    if (recordedBytes() >= bytes) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

std::vector<int16_t> PulseNullSink::stopRecording() {
  recorder_.stop();
  std::vector<int16_t> samples;
  std::ifstream in(rawPath_, std::ios::binary);
  int16_t s;
  while (in.read(reinterpret_cast<char*>(&s), sizeof s)) samples.push_back(s);
  return samples;
}

}  // namespace testsupport
