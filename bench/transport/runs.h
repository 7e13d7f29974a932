// The connector side of the benchmark's runs.
#pragma once

#include <cstdint>
#include <string>

#include "bench_support.h"
#include "child_process.h"

namespace bench {

// A helper peer ends by itself once its input closes; it gets this long.
constexpr int kPeerExitGraceMs = 1000;

// One linked session to a helper peer process.
class PeerLink {
 public:
  ~PeerLink();
  // Starts the peer and connects to it: over the LAN path, or (with the
  // rendezvous program's record file) through its relay at 127.0.0.1 once
  // the record shows the peer registered.
  bool open(const std::string& id, const std::string& relayRecord, std::string* error);
  int handle() const { return handle_; }
  testworld::ChildProcess& peer() { return peer_; }
  int linkMode() const { return linkMode_; }

 private:
  testworld::ChildProcess peer_{kPeerExitGraceMs};
  int handle_ = -1;
  int linkMode_ = -1;
};

struct Transfer {
  uint64_t delivered = 0;
  double seconds = 0;
  bool intact = false;
  double mibPerSecond() const { return seconds > 0 ? delivered / 1048576.0 / seconds : 0; }
};

// `data` over channel 0 to the peer, which checks it with SHA-256.
Transfer bulk_vornet(PeerLink& link, const Bytes& data, int64_t limitMs);
// The same bytes over a TCP connection on loopback to a helper process.
Transfer bulk_tcp(const Bytes& data);

struct Latency {
  int received = 0;
  double p50Ms = -1;
  double p99Ms = -1;
};
// `count` framed 1 KiB messages, one every intervalMs; delay from write to read.
Latency message_delay(PeerLink& link, int count, int intervalMs);

struct IdleCpu {
  double selfMs = 0;
  double peerMs = 0;
  double seconds = 0;
};
IdleCpu idle_cpu(PeerLink& link, int seconds);

}  // namespace bench
