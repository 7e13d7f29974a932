#include "device_options.h"

#include "Vornet.h"
#include "switch_values.h"

namespace listen_device {

using rendezvous::parse_long;

std::string parse_options(int argc, const char* const* argv, Options* out) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string sw = argv[i];
    if (sw == "--no-detect") {
      o.noDetect = true;
      continue;
    }
    if (sw == "--multicast") {
      o.multicast = true;
      continue;
    }
    if (sw == "--echo") {
      o.echo = true;
      continue;
    }
    if (i + 1 >= argc) return "switch " + sw + " needs a value";
    const std::string v = argv[++i];
    long n = 0;
    if (sw == "--id") {
      o.id = v;
    } else if (sw == "--servers") {
      o.servers = v;
    } else if (sw == "--wait") {
      if (!parse_long(v, 1, KV_LISTEN_MAX_WAIT, &n)) return "--wait takes 1 to 86400 seconds";
      o.waitSeconds = static_cast<uint32_t>(n);
    } else if (sw == "--detect-port") {
      if (!parse_long(v, 0, 65535, &n)) return "--detect-port takes 0 to 65535";
      o.detectPort = static_cast<uint16_t>(n);
    } else if (sw == "--sessions") {
      if (!parse_long(v, 1, kMaxSessions, &n)) return "--sessions takes 1 to 128";
      o.sessions = static_cast<int>(n);
    } else if (sw == "--lifetime") {
      if (!parse_long(v, 1, kMaxLifetimeSeconds, &n)) return "--lifetime takes 1 to 600 seconds";
      o.lifetimeSeconds = static_cast<uint32_t>(n);
    } else {
      return "unknown switch " + sw;
    }
  }
  if (o.id.empty()) return "--id is required";
  *out = o;
  return {};
}

uint32_t listen_flags(const Options& o) {
  return o.waitSeconds | (o.noDetect ? KV_LISTEN_NO_DETECT : 0u) | (o.multicast ? KV_LISTEN_MULTICAST : 0u);
}

}  // namespace listen_device
