// listen_device: a device for the transport's tests and demo. It listens
// for its id with our own KV_Listen, as a separate process, and reports on
// standard output, one JSON object per line:
//   {"ev":"listening","n":N}                  before the N-th KV_Listen
//   {"ev":"linked","handle":H,"role":R,"linkMode":M,"seconds":S,
//    "remote":"a:p","local":"a:p","public":"a:p","id":"..."}
//   {"ev":"failed","code":C}                  KV_Listen's error (the device stops)
//   {"ev":"closed","handle":H,"code":C}       an echoed session ended
//   {"ev":"stopping","why":"lifetime"|"signal"|"done"}
// Runs only inside a private network namespace (scripts/netns.sh).
//
// Usage: listen_device --id ID [switches]
//   --id ID            device id to listen for (required)
//   --servers LIST     KV_SetServInfo list "a.b.c.d,a.b.c.d,..." (default empty:
//                      no servers, LAN only)
//   --wait S           KV_Listen wait in seconds (default 20)
//   --no-detect        KV_LISTEN_NO_DETECT (no NAT detection, 100 ms ticks)
//   --multicast        KV_LISTEN_MULTICAST
//   --detect-port P    local port of the NAT detection (default 0: random)
//   --sessions N       listen N times in a row; linked sessions stay open (1)
//   --echo             send every byte read from channel 0 back on it
//   --lifetime S       stop after S seconds (default 60, at most 600); SIGTERM
//                      and SIGINT stop it too
// Exit status: 0 when every listen linked or the device was stopped, 1 when
// a listen failed, 2 bad switch, 3 outside a private namespace.
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Vornet.h"
#include "datagram.h"
#include "device_options.h"
#include "json_line.h"
#include "private_netns.h"
#include "stop_watchdog.h"

namespace {

std::mutex outMutex;
std::atomic<bool> stopping{false};

void report(const rendezvous::JsonLine& line) {
  std::lock_guard<std::mutex> lock(outMutex);
  std::printf("%s\n", line.str().c_str());
  std::fflush(stdout);
}

void report_linked(int handle) {
  KV_SessionInfo info{};
  const int r = KV_CheckSessionInfo(handle, &info);
  rendezvous::JsonLine j;
  j.add("ev", "linked").add("handle", handle).add("info", r).add("role", info.role).add("linkMode", info.linkMode);
  j.add("seconds", info.secondsLinked).add("remote", rendezvous::address_text(info.remote));
  j.add("local", rendezvous::address_text(info.local)).add("public", rendezvous::address_text(info.publicAddr));
  j.add("id", std::string(info.id, strnlen(info.id, sizeof info.id)));
  report(j);
}

// Echoes channel-0 bytes until the session ends. A read that finds
// nothing says -3 even after the peer closed, so the session's state is
// polled through the byte count, as the device-link layer does.
void echo(int handle) {
  std::vector<char> buf(4096);
  int code = 0;
  while (!stopping.load() && code == 0) {
    int len = static_cast<int>(buf.size());
    const int r = KV_Recv2(handle, buf.data(), &len, 100);
    if (r == 0 && len > 0) {
      const int sent = KV_Send(handle, buf.data(), len, 127);
      code = sent == len ? 0 : sent;
    } else if (r == KV_ERR_TIMEOUT || r == 0) {
      const int used = KV_GetP2PBufSizeUsed(handle, 1);
      code = used < 0 ? used : 0;
    } else {
      code = r;
    }
  }
  if (code != 0) report(rendezvous::JsonLine().add("ev", "closed").add("handle", handle).add("code", code));
}

}  // namespace

int main(int argc, char** argv) {
  netns::requirePrivateNamespaceOrExit(argv[0]);
  listen_device::Options o;
  const std::string problem = listen_device::parse_options(argc, argv, &o);
  if (!problem.empty()) {
    std::fprintf(stderr, "%s: %s (the switches are listed at the top of main.cpp)\n", argv[0], problem.c_str());
    return 2;
  }
  testworld::startStopWatchdog(static_cast<int>(o.lifetimeSeconds), [](bool bySignal) {
    if (!bySignal && stopping.load()) return false;  // the lifetime ran out while stopping anyway
    if (!stopping.exchange(true))
      report(rendezvous::JsonLine().add("ev", "stopping").add("why", bySignal ? "signal" : "lifetime"));
    KV_ListenBreak();
    return true;
  });

  KV_Initialize();
  int status = 0;
  if (KV_SetServInfo(o.id.c_str(), o.servers.c_str()) != 0) status = 1;
  std::vector<std::thread> echoes;
  for (int n = 1; status == 0 && n <= o.sessions && !stopping.load(); ++n) {
    report(rendezvous::JsonLine().add("ev", "listening").add("n", n));
    const int h = KV_Listen(o.id.c_str(), o.detectPort, listen_device::listen_flags(o));
    if (h < 0) {
      report(rendezvous::JsonLine().add("ev", "failed").add("code", h));
      if (!stopping.load()) status = 1;  // a listen broken by our own stop is no failure
      break;
    }
    report_linked(h);
    if (o.echo) echoes.emplace_back(echo, h);
  }
  // Linked sessions stay open until the lifetime ends or a signal comes.
  while (status == 0 && !stopping.load()) usleep(20 * 1000);
  if (!stopping.exchange(true)) report(rendezvous::JsonLine().add("ev", "stopping").add("why", "done"));
  for (auto& t : echoes) t.join();
  KV_DeInitialize();
  return status;
}
