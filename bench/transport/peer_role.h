// The far ends of the benchmark, run as helper processes of the same
// program. Each answers line commands on standard input (see peer_role.cpp)
// and ends when its input closes or its lifetime runs out.
#pragma once

#include <cstdint>
#include <string>

namespace bench {

constexpr unsigned kPeerLifetimeSeconds = 900;

// Listens for `id` with KV_Listen (servers: KV_SetServInfo list; NAT
// detection only when `detect`), then serves commands.
int run_vornet_peer(const std::string& id, const std::string& servers, bool detect);

// Connects to 127.0.0.1:port over TCP and reads `bytes` bytes.
int run_tcp_peer(uint16_t port, uint64_t bytes);

// When the program was started as one of the far ends above
// ("--vornet-peer ID SERVERS|- DETECT", "--tcp-peer PORT BYTES"): runs it
// and puts its exit status in *status. False when the arguments ask for
// neither.
bool run_peer_role_if_asked(int argc, char** argv, int* status);

}  // namespace bench
