// The record of what the simulated servers and relay received: one JSON
// object per line, so tests can assert on it. Keys:
//   t (ms since start), at (local endpoint "a.b.c.d:port"), role ("server",
//   "relay"), from (sender), type (number), name (message name or "0xNN"),
//   len (body length from the header), size (datagram bytes), bad ("short",
//   "magic", "length") for a datagram that fails the header checks, and per message:
//   DEV_REG: id prefix tag nat version local; P2P_REQ: id prefix tag loop local;
//   RLY_QUERY: id; RLY_REQ: id relay rtag; RLY_HELLO: rtag id rrole;
//   SESSION_DONE: rtag id; peer bodies (PUNCH...): id flag;
//   DRW: ch seq dlen; DRW_ACK: ch count.
// Event lines carry "ev" instead of a message (e.g. "relay-ready").
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "datagram.h"
#include "json_line.h"

namespace rendezvous {

class Recorder {
 public:
  virtual ~Recorder() = default;
  virtual void write(const std::string& line) = 0;
};

// Appends each line to a file and flushes it, so a reader sees it at once.
class FileRecorder : public Recorder {
 public:
  explicit FileRecorder(const std::string& path);
  ~FileRecorder() override;
  FileRecorder(const FileRecorder&) = delete;
  FileRecorder& operator=(const FileRecorder&) = delete;
  bool ok() const { return file_ != nullptr; }
  void write(const std::string& line) override;

 private:
  FILE* file_ = nullptr;
};

class MemoryRecorder : public Recorder {
 public:
  void write(const std::string& line) override { lines.push_back(line); }
  std::vector<std::string> lines;
};

// Name of a message type ("HELLO", "DEV_REG", ...; "0xNN" when unknown).
std::string message_name(uint8_t type);

// The record line of one received datagram.
std::string describe_received(const Datagram& d, const sockaddr_in& at, const char* role, Millis t);

}  // namespace rendezvous
