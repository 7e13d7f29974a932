// Readiness of a UDP socket of this process: tests wait for a socket to be
// bound (by a thread of the library under test) instead of sleeping.
#pragma once

#include <cstdint>

namespace testsupport {

// True when a UDP socket of this process is bound to `port` in the calling
// thread's network namespace.
bool ownUdpPortBound(uint16_t port);

// Polls ownUdpPortBound every 5 ms for at most timeoutMs.
bool waitForOwnUdpPort(uint16_t port, int timeoutMs);

}  // namespace testsupport
