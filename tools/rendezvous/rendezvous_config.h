// Command-line configuration of the simulated rendezvous servers and relay.
// The switches are documented at the top of main.cpp.
#pragma once

#include <netinet/in.h>

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "impaired_path.h"

namespace rendezvous {

// How the servers answer ZORP_MSG_HELLO, so that a client's NAT detection
// comes out as the given type.
enum class NatMode : int {
  OneServer = 0,      // only the first server answers
  OtherPort = 1,      // answers leave from the alternative port
  SamePort = 2,       // every server reports the port it saw
  DifferentPorts = 3, // server i reports the seen port + i
  OtherAddress = 4,   // servers after the first report another address
};

// Message groups that can be left unanswered.
enum class Mute { Hello, Registration, P2P, RelayQuery, RelayRequest, RelayProbe, RelayAlloc, RelayHello };

struct Config {
  std::vector<in_addr> servers;  // 1 to 3
  uint16_t serverPort = 60722;
  uint16_t altPort = 60723;
  NatMode nat = NatMode::SamePort;

  int8_t regCode = 0;
  std::map<std::string, int8_t> regCodeById;
  uint8_t regReplyType = 0x11;  // ZORP_MSG_DEV_REG_RESULT or ZORP_MSG_DEV_REG_ACK

  bool p2pCodeSet = false;  // without it: 0 for registered ids, -2 otherwise
  int8_t p2pCode = 0;
  std::map<std::string, int8_t> p2pCodeById;

  std::set<Mute> muted;

  bool relayEnabled = false;
  sockaddr_in relay{};
  int relayPorts = 0;  // extra ports after the relay port, one per session in turn
  uint8_t relayAlgorithm = 1;

  Impairment impairment;

  std::string recordPath;
  bool recordRelayed = false;
  uint32_t lifetimeSeconds = 120;

  bool isMuted(Mute m) const { return muted.count(m) != 0; }
};

constexpr uint32_t kMaxLifetimeSeconds = 3600;
constexpr int kMaxRelayPorts = 64;

// Fills `out` from the arguments (argv[0] is skipped). Returns an empty
// text on success, else what is wrong.
std::string parse_config(int argc, const char* const* argv, Config* out);

// The registration and P2P codes that apply to an id.
int8_t registration_code(const Config& c, const std::string& id);
// `registered`: the id has an accepted registration.
int8_t p2p_code(const Config& c, const std::string& id, bool registered);

}  // namespace rendezvous
