// The probe schedule of a search, apart from sockets and clocks: one probe
// to the limited broadcast address, then at most two passes over the
// broadcast list while the search runs.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace tessan::lan {

constexpr uint32_t kLimitedBroadcast = 0xFFFFFFFFu;  // 255.255.255.255
constexpr size_t kMaxBroadcastAddresses = 4;
constexpr int kProbePasses = 2;
constexpr int kFirstProbeGapMs = 10;
constexpr int kPassGapMs = 20;
constexpr int kAddressGapMs = 10;

// IPv4 addresses in host byte order.
struct BroadcastList {
  std::array<uint32_t, kMaxBroadcastAddresses> addrs{kLimitedBroadcast};
  size_t count = 1;
};

class ProbeLink {
 public:
  virtual ~ProbeLink() = default;
  virtual bool send(uint32_t addr) = 0;  // false: the send failed
  virtual void sleepMs(int ms) = 0;
  virtual bool running() const = 0;
};

// A failed send ends the current pass only.
void sendProbes(const BroadcastList& list, ProbeLink& link);

}  // namespace tessan::lan
