// Gives the calling test its own network namespace, nested inside the
// private one the suite runs in, set up like scripts/netns.sh (lo with
// broadcast and multicast routes, two veth pairs). CTest runs tests in
// parallel, and these tests bind the fixed ports of the protocol (60722,
// 32106-32108): each test process needs its own namespace.
// Threads, sockets and child processes created afterwards by the calling
// thread live in the new namespace.
#pragma once

#include <string>

namespace testsupport {

// Empty on success, else what went wrong.
std::string enterFreshNetworkNamespace();

}  // namespace testsupport
