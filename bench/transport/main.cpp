// transport_bench: goodput of our reliable channels against TCP, the
// relayed path under loss and delay, and the CPU cost of an idle session.
// Runs only inside a private network namespace (scripts/netns.sh); every
// helper process it starts stops by itself.
//
// Usage: transport_bench [--mode direct|relay|idle|all] [--bytes N]
//                        [--relay-bytes N] [--messages M] [--idle-seconds S]
//                        [--relay-case ALG:LOSS:DELAY]
//   direct  N bytes (default 32 MiB) over channel 0 between two processes
//           linked by KV_Listen / KV_Connect on the LAN path, then the same
//           bytes over TCP on loopback; goodput of both and their ratio
//   relay   through the simulated relay with loss 0/1/5/10 % and delay
//           0/10/50 ms, for both channel algorithms: goodput of N bytes
//           (default 1 MiB) and p50/p99 write-to-read delay of M 1 KiB
//           messages (default 100); --relay-case runs one cell of the matrix
//   idle    CPU time of both ends of a linked idle session over S seconds
//           (default 10)
// Exit status: 0, 1 when data arrived altered or incomplete or a link
// failed, 2 for a bad switch, 3 outside a private namespace.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "Vornet.h"
#include "bench_support.h"
#include "child_process.h"
#include "peer_role.h"
#include "private_netns.h"
#include "runs.h"

namespace {

struct Options {
  std::string mode = "direct";
  uint64_t bytes = 32ull << 20;
  uint64_t relayBytes = 1ull << 20;
  int messages = 100;
  int idleSeconds = 10;
  std::vector<int> algorithms = {1, 0};
  std::vector<int> losses = {0, 1, 5, 10};
  std::vector<int> delays = {0, 10, 50};
};

bool parse_case(const std::string& v, Options* o) {
  int a = 0;
  int l = 0;
  int d = 0;
  if (std::sscanf(v.c_str(), "%d:%d:%d", &a, &l, &d) != 3 || (a != 0 && a != 1) || l < 0 || l > 100 || d < 0 ||
      d > 1000)
    return false;
  o->algorithms = {a};
  o->losses = {l};
  o->delays = {d};
  return true;
}

bool parse(int argc, char** argv, Options* o) {
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string sw = argv[i];
    const std::string v = argv[i + 1];
    if (sw == "--mode") {
      o->mode = v;
    } else if (sw == "--bytes") {
      o->bytes = std::strtoull(v.c_str(), nullptr, 10);
    } else if (sw == "--relay-bytes") {
      o->relayBytes = std::strtoull(v.c_str(), nullptr, 10);
    } else if (sw == "--messages") {
      o->messages = std::atoi(v.c_str());
    } else if (sw == "--idle-seconds") {
      o->idleSeconds = std::atoi(v.c_str());
    } else if (sw == "--relay-case") {
      if (!parse_case(v, o)) return false;
    } else {
      return false;
    }
  }
  const bool knownMode = o->mode == "direct" || o->mode == "relay" || o->mode == "idle" || o->mode == "all";
  return argc % 2 == 1 && knownMode && o->bytes > 0 && o->bytes <= (1ull << 32) && o->relayBytes > 0 &&
         o->messages > 0 && o->messages <= 100000 && o->idleSeconds > 0 && o->idleSeconds <= 600;
}

std::string next_id() {
  static int n = 0;
  return "BENCH-" + std::to_string(getpid()) + "-" + std::to_string(++n);
}

bool run_direct(const Options& o) {
  std::printf("== direct: %llu bytes over channel 0, LAN path, against TCP on loopback\n",
              static_cast<unsigned long long>(o.bytes));
  const bench::Bytes data = bench::random_bytes(o.bytes, 1);
  bench::PeerLink link;
  std::string error;
  if (!link.open(next_id(), "", &error)) {
    std::printf("   link failed: %s\n", error.c_str());
    return false;
  }
  const bench::Transfer v = bench::bulk_vornet(link, data, 600000);
  const bench::Transfer t = bench::bulk_tcp(data);
  std::printf("   vornet  %10.2f MiB/s  %.3f s  %s\n", v.mibPerSecond(), v.seconds, v.intact ? "sha256 ok" : "ALTERED");
  std::printf("   tcp     %10.2f MiB/s  %.3f s  %s\n", t.mibPerSecond(), t.seconds, t.intact ? "sha256 ok" : "ALTERED");
  std::printf("   ratio vornet/tcp %.4f\n", t.mibPerSecond() > 0 ? v.mibPerSecond() / t.mibPerSecond() : 0.0);
  return v.intact && t.intact;
}

// The rendezvous program with a relay whose path has the given faults.
bool start_world(testworld::ChildProcess& world, int algorithm, int loss, int delay, const std::string& record) {
  unlink(record.c_str());
  const std::vector<std::string> args = {"--record", record,
      "--servers", "127.0.0.1", "--relay", "127.0.0.1:60800", "--relay-ports", "1", "--relay-algorithm",
      std::to_string(algorithm), "--loss", std::to_string(loss), "--delay", std::to_string(delay), "--seed", "1",
      "--lifetime", "900"};
  std::string line;
  return world.start(RENDEZVOUS_PROGRAM, args) && world.waitFor("ready", 5000, &line, true);
}

bool run_relay(const Options& o) {
  std::printf("== relay: %llu bytes, then %d framed 1 KiB messages 20 ms apart\n",
              static_cast<unsigned long long>(o.relayBytes), o.messages);
  std::printf("   alg loss%% delay_ms  goodput_MiB/s  integrity   msgs   p50_ms   p99_ms\n");
  const bench::Bytes data = bench::random_bytes(o.relayBytes, 2);
  bool ok = true;
  for (int algorithm : o.algorithms) {
    for (int loss : o.losses) {
      for (int delay : o.delays) {
        testworld::ChildProcess world;
        const std::string record = "/tmp/transport_bench_" + std::to_string(getpid()) + ".jsonl";
        if (!start_world(world, algorithm, loss, delay, record)) {
          std::printf("   %3d %5d %8d  rendezvous did not start\n", algorithm, loss, delay);
          ok = false;
          continue;
        }
        bench::PeerLink link;
        std::string error;
        const bool linked = link.open(next_id(), record, &error);
        if (!linked || link.linkMode() != 1) {
          std::printf("   %3d %5d %8d  link failed: %s\n", algorithm, loss, delay,
                      linked ? "not through the relay" : error.c_str());
          unlink(record.c_str());
          ok = false;
          continue;
        }
        const bench::Transfer t = bench::bulk_vornet(link, data, 120000);
        const bench::Latency l = bench::message_delay(link, o.messages, 20);
        std::printf("   %3d %5d %8d  %13.3f  %-9s %6d %8.2f %8.2f\n", algorithm, loss, delay, t.mibPerSecond(),
                    t.intact ? "sha256 ok" : "ALTERED", l.received, l.p50Ms, l.p99Ms);
        std::fflush(stdout);
        ok = ok && t.intact && l.received == o.messages;
        unlink(record.c_str());
      }
    }
  }
  return ok;
}

bool run_idle(const Options& o) {
  std::printf("== idle: a linked session with no traffic for %d s\n", o.idleSeconds);
  bench::PeerLink link;
  std::string error;
  if (!link.open(next_id(), "", &error)) {
    std::printf("   link failed: %s\n", error.c_str());
    return false;
  }
  const bench::IdleCpu c = bench::idle_cpu(link, o.idleSeconds);
  std::printf("   connector CPU %8.1f ms (%.2f %% of one core)\n", c.selfMs, 100 * c.selfMs / (c.seconds * 1000));
  std::printf("   listener  CPU %8.1f ms (%.2f %% of one core)\n", c.peerMs, 100 * c.peerMs / (c.seconds * 1000));
  return c.peerMs >= 0;
}

}  // namespace

int main(int argc, char** argv) {
  netns::requirePrivateNamespaceOrExit(argv[0]);
  int peerStatus = 0;
  if (bench::run_peer_role_if_asked(argc, argv, &peerStatus)) return peerStatus;
  setvbuf(stdout, nullptr, _IOLBF, 0);
  Options o;
  if (!parse(argc, argv, &o)) {
    std::fprintf(stderr, "%s: bad switches (they are listed at the top of main.cpp)\n", argv[0]);
    return 2;
  }
  KV_Initialize();
  bool ok = true;
  if (o.mode == "direct" || o.mode == "all") ok = run_direct(o) && ok;
  if (o.mode == "idle" || o.mode == "all") ok = run_idle(o) && ok;
  if (o.mode == "relay" || o.mode == "all") ok = run_relay(o) && ok;
  KV_DeInitialize();
  std::printf("%s\n", ok ? "transport_bench: ok" : "transport_bench: FAILED");
  return ok ? 0 : 1;
}
