// Guard for everything that sends broadcasts, multicast, punches or pings:
// such code runs only inside a private network namespace (scripts/netns.sh,
// scripts/test.sh), never on the host's own network.
#pragma once

#include <string>

namespace netns {

// True when the network namespace of `selfNs` differs from that of `initNs`
// (by default: this process against PID 1). When PID 1's namespace cannot be
// read (user namespaces, sandboxes), the namespace counts as private only if
// every interface in it is loopback or one of our own test links ("cv*").
// On false, `why` says what was found.
bool inPrivateNamespace(std::string* why = nullptr,
                        const char* selfNs = "/proc/self/ns/net",
                        const char* initNs = "/proc/1/ns/net",
                        const char* netDev = "/proc/self/net/dev");

// For programs: prints a clear message and exits with status 3 when not
// inside a private network namespace.
void requirePrivateNamespaceOrExit(const char* program);

}  // namespace netns
