#include "rendezvous_config.h"

#include <arpa/inet.h>

#include <cerrno>
#include <cstdlib>
#include <sstream>

#include "switch_values.h"

namespace rendezvous {

namespace {

bool parse_percent(const std::string& text, double* out) {
  if (text.empty()) return false;
  errno = 0;
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  if (errno != 0 || end == nullptr || *end != '\0' || !(v >= 0.0 && v <= 100.0)) return false;
  *out = v;
  return true;
}

std::vector<std::string> split(const std::string& text, char sep) {
  std::vector<std::string> parts;
  std::string part;
  std::istringstream in(text);
  while (std::getline(in, part, sep)) parts.push_back(part);
  return parts;
}

bool parse_ipv4(const std::string& text, in_addr* out) { return inet_pton(AF_INET, text.c_str(), out) == 1; }

bool parse_endpoint(const std::string& text, sockaddr_in* out) {
  const auto colon = text.rfind(':');
  if (colon == std::string::npos) return false;
  in_addr a{};
  long port = 0;
  if (!parse_ipv4(text.substr(0, colon), &a) || !parse_long(text.substr(colon + 1), 1, 65535, &port)) return false;
  *out = sockaddr_in{};
  out->sin_family = AF_INET;
  out->sin_addr = a;
  out->sin_port = htons(static_cast<uint16_t>(port));
  return true;
}

// "N" sets the default, "ID=N" the code of one id.
bool parse_code(const std::string& text, int8_t* fallback, std::map<std::string, int8_t>* byId) {
  const auto eq = text.rfind('=');
  long v = 0;
  if (eq == std::string::npos) {
    if (!parse_long(text, -128, 127, &v)) return false;
    *fallback = static_cast<int8_t>(v);
    return true;
  }
  const std::string id = text.substr(0, eq);
  if (id.empty() || !parse_long(text.substr(eq + 1), -128, 127, &v)) return false;
  (*byId)[id] = static_cast<int8_t>(v);
  return true;
}

bool parse_mutes(const std::string& text, std::set<Mute>* out) {
  static const std::map<std::string, std::vector<Mute>> names = {
      {"hello", {Mute::Hello}},
      {"reg", {Mute::Registration}},
      {"p2p", {Mute::P2P}},
      {"query", {Mute::RelayQuery}},
      {"rlyreq", {Mute::RelayRequest}},
      {"probe", {Mute::RelayProbe}},
      {"alloc", {Mute::RelayAlloc}},
      {"rlyhello", {Mute::RelayHello}},
      {"all",
       {Mute::Hello, Mute::Registration, Mute::P2P, Mute::RelayQuery, Mute::RelayRequest, Mute::RelayProbe,
        Mute::RelayAlloc, Mute::RelayHello}},
  };
  for (const auto& name : split(text, ',')) {
    const auto it = names.find(name);
    if (it == names.end()) return false;
    out->insert(it->second.begin(), it->second.end());
  }
  return true;
}

}  // namespace

std::string parse_config(int argc, const char* const* argv, Config* out) {
  Config c;
  bool serversGiven = false;
  for (int i = 1; i < argc; ++i) {
    const std::string sw = argv[i];
    const bool flagOnly = sw == "--record-relayed";
    if (!flagOnly && i + 1 >= argc) return "switch " + sw + " needs a value";
    const std::string v = flagOnly ? std::string() : std::string(argv[++i]);
    long n = 0;
    if (sw == "--servers") {
      c.servers.clear();
      for (const auto& part : split(v, ',')) {
        in_addr a{};
        if (!parse_ipv4(part, &a)) return "--servers: '" + part + "' is not a dotted IPv4 address";
        c.servers.push_back(a);
      }
      if (c.servers.empty() || c.servers.size() > 3) return "--servers takes one to three addresses";
      serversGiven = true;
    } else if (sw == "--port" || sw == "--alt-port") {
      if (!parse_long(v, 1, 65535, &n)) return sw + ": bad port '" + v + "'";
      (sw == "--port" ? c.serverPort : c.altPort) = static_cast<uint16_t>(n);
    } else if (sw == "--nat") {
      if (!parse_long(v, 0, 4, &n)) return "--nat takes 0 to 4";
      c.nat = static_cast<NatMode>(n);
    } else if (sw == "--reg-code") {
      if (!parse_code(v, &c.regCode, &c.regCodeById)) return "--reg-code takes N or ID=N (-128..127)";
    } else if (sw == "--reg-reply") {
      if (v != "result" && v != "ack") return "--reg-reply takes result or ack";
      c.regReplyType = v == "result" ? 0x11 : 0x13;
    } else if (sw == "--p2p-code") {
      int8_t fallback = c.p2pCode;
      if (!parse_code(v, &fallback, &c.p2pCodeById)) return "--p2p-code takes N or ID=N (-128..127)";
      if (v.find('=') == std::string::npos) {
        c.p2pCode = fallback;
        c.p2pCodeSet = true;
      }
    } else if (sw == "--mute") {
      if (!parse_mutes(v, &c.muted)) return "--mute: unknown message group in '" + v + "'";
    } else if (sw == "--relay") {
      if (!parse_endpoint(v, &c.relay)) return "--relay takes ADDRESS:PORT";
      c.relayEnabled = true;
    } else if (sw == "--relay-ports") {
      if (!parse_long(v, 0, kMaxRelayPorts, &n)) return "--relay-ports takes 0 to " + std::to_string(kMaxRelayPorts);
      c.relayPorts = static_cast<int>(n);
    } else if (sw == "--relay-algorithm") {
      if (!parse_long(v, 0, 1, &n)) return "--relay-algorithm takes 0 or 1";
      c.relayAlgorithm = static_cast<uint8_t>(n);
    } else if (sw == "--loss" || sw == "--dup" || sw == "--reorder") {
      double p = 0;
      if (!parse_percent(v, &p)) return sw + " takes a percentage 0-100";
      (sw == "--loss" ? c.impairment.lossPercent
                      : sw == "--dup" ? c.impairment.duplicatePercent : c.impairment.reorderPercent) = p;
    } else if (sw == "--delay" || sw == "--jitter" || sw == "--reorder-delay") {
      if (!parse_long(v, 0, 10000, &n)) return sw + " takes 0 to 10000 ms";
      (sw == "--delay" ? c.impairment.delayMs
                       : sw == "--jitter" ? c.impairment.jitterMs : c.impairment.reorderDelayMs) =
          static_cast<uint32_t>(n);
    } else if (sw == "--seed") {
      if (!parse_long(v, 0, 0xFFFFFFFFL, &n)) return "--seed takes 0 to 4294967295";
      c.impairment.seed = static_cast<uint32_t>(n);
    } else if (sw == "--record") {
      if (v.empty()) return "--record needs a file name";
      c.recordPath = v;
    } else if (sw == "--record-relayed") {
      c.recordRelayed = true;
    } else if (sw == "--lifetime") {
      if (!parse_long(v, 1, kMaxLifetimeSeconds, &n))
        return "--lifetime takes 1 to " + std::to_string(kMaxLifetimeSeconds) + " seconds";
      c.lifetimeSeconds = static_cast<uint32_t>(n);
    } else {
      return "unknown switch " + sw;
    }
  }
  if (!serversGiven) c.servers.push_back(make_address("127.0.0.1", 0).sin_addr);
  if ((c.nat == NatMode::DifferentPorts || c.nat == NatMode::OtherAddress) && c.servers.size() < 2)
    return "--nat 3 and --nat 4 need at least two servers";
  if (c.nat == NatMode::OtherPort && c.altPort == c.serverPort) return "--alt-port must differ from --port";
  if (c.relayEnabled && static_cast<long>(ntohs(c.relay.sin_port)) + c.relayPorts > 65535)
    return "--relay-ports run past port 65535";
  *out = c;
  return {};
}

int8_t registration_code(const Config& c, const std::string& id) {
  const auto it = c.regCodeById.find(id);
  return it != c.regCodeById.end() ? it->second : c.regCode;
}

int8_t p2p_code(const Config& c, const std::string& id, bool registered) {
  const auto it = c.p2pCodeById.find(id);
  if (it != c.p2pCodeById.end()) return it->second;
  if (c.p2pCodeSet) return c.p2pCode;
  return registered ? 0 : -2;
}

}  // namespace rendezvous
