// Ports punched on ZORP_MSG_PUNCH_TO: the peer's port once, then three
// rounds of either the same port again (peer behind our own public
// address) or every port from p-3 to p+3 (clamped to 0..65535).
#pragma once

#include <cstdint>
#include <vector>

namespace vornet {

std::vector<uint16_t> port_burst_ports(uint16_t peerPort, bool sameNat);

}  // namespace vornet
