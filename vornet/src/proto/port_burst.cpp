#include "proto/port_burst.h"

namespace vornet {

std::vector<uint16_t> port_burst_ports(uint16_t peerPort, bool sameNat) {
  constexpr int kRounds = 3;
  constexpr int kSpread = 3;
  std::vector<uint16_t> ports{peerPort};
  const int lo = peerPort - kSpread < 0 ? 0 : peerPort - kSpread;
  const int hi = peerPort + kSpread > 65535 ? 65535 : peerPort + kSpread;
  for (int round = 0; round < kRounds; ++round) {
    if (sameNat) {
      ports.push_back(peerPort);
      continue;
    }
    for (int p = lo; p <= hi; ++p) ports.push_back(static_cast<uint16_t>(p));
  }
  return ports;
}

}  // namespace vornet
