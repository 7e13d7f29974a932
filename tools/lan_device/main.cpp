// lan_device: a simulated device for the LAN device search. Listens on UDP
// port 8602 and answers every probe (59 48 01 01) with its device record.
// Runs only inside a private network namespace and ends by itself.
#include <arpa/inet.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "lan_device_sim.h"
#include "private_netns.h"

namespace {

void usage(const char* program) {
  std::fprintf(stderr,
               "usage: %s [--port N] [--mac XX:XX:XX:XX:XX:XX] [--name TEXT] [--repeat N]\n"
               "          [--reply-from ADDR] [--reply-to ADDR] [--lifetime-ms N] [--max-probes N]\n"
               "  --port         UDP port to listen on (default 8602)\n"
               "  --mac          device MAC in the record (default 02:00:00:00:00:01)\n"
               "  --name         text at the start of the record (default \"simulated-device\")\n"
               "  --repeat       replies sent per probe (default 1)\n"
               "  --reply-from   local address the replies leave from (default: the listening socket)\n"
               "  --reply-to     address the replies go to (default: the probe's source)\n"
               "  --lifetime-ms  ends after this long (default %d, at most 3600000)\n"
               "  --max-probes   ends after answering this many probes (default: no limit)\n",
               program, lan_device::kDefaultLifetimeMs);
}

bool number(const char* text, long min, long max, long* out) {
  char* end = nullptr;
  const long v = std::strtol(text, &end, 10);
  if (!end || *end != '\0' || v < min || v > max) return false;
  *out = v;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  netns::requirePrivateNamespaceOrExit(argv[0]);

  lan_device::Options options;
  lan_device::Mac mac{0x02, 0, 0, 0, 0, 0x01};
  std::string name = "simulated-device";
  long repeat = 1;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    long n = 0;
    bool ok = value != nullptr;
    if (arg == "--help" || arg == "-h") {
      usage(argv[0]);
      return 0;
    } else if (ok && arg == "--port") {
      ok = number(value, 1, 65535, &n);
      options.port = static_cast<uint16_t>(n);
    } else if (ok && arg == "--mac") {
      ok = lan_device::parseMac(value, &mac);
    } else if (ok && arg == "--name") {
      name = value;
    } else if (ok && arg == "--repeat") {
      ok = number(value, 1, 100, &repeat);
    } else if (ok && arg == "--reply-from") {
      options.replyFrom = value;
    } else if (ok && arg == "--reply-to") {
      options.replyTo = value;
    } else if (ok && arg == "--lifetime-ms") {
      ok = number(value, 1, 3600000, &n);
      options.lifetimeMs = static_cast<int>(n);
    } else if (ok && arg == "--max-probes") {
      ok = number(value, 1, 1000000, &n);
      options.maxProbes = static_cast<size_t>(n);
    } else {
      ok = false;
    }
    if (!ok) {
      std::fprintf(stderr, "%s: bad argument %s\n", argv[0], arg.c_str());
      usage(argv[0]);
      return 2;
    }
    ++i;
  }

  options.replies.assign(static_cast<size_t>(repeat), lan_device::makeReply(mac, name));
  options.onDatagram = [](const lan_device::Received& got) {
    char to[INET_ADDRSTRLEN] = "?";
    inet_ntop(AF_INET, &got.to, to, sizeof to);
    std::printf("%s %zu bytes from %s to %s\n",
                lan_device::isProbe(got.bytes.data(), got.bytes.size()) ? "probe" : "datagram",
                got.bytes.size(), lan_device::formatEndpoint(got.from).c_str(), to);
    std::fflush(stdout);
  };

  lan_device::SimulatedDevice device(options);
  std::string error;
  if (!device.start(&error)) {
    std::fprintf(stderr, "%s: %s\n", argv[0], error.c_str());
    return 1;
  }
  std::printf("listening on port %u\n", options.port);
  std::fflush(stdout);
  device.waitFinished(options.lifetimeMs + 1000);
  device.stop();
  std::printf("done\n");
  return 0;
}
