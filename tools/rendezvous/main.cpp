// rendezvous: simulated rendezvous servers and relay for the transport's
// tests, demo and benches. Runs only inside a private network namespace
// (scripts/netns.sh) and stops by itself at the end of its lifetime.
//
// Usage: rendezvous [switches]
//
// Servers
//   --servers A[,B[,C]]    one to three server addresses (default 127.0.0.1),
//                          each bound on the server port
//   --port P               server port (default 60722)
//   --nat N                how HELLO is answered, so a client's NAT detection
//                          finds type N (default 2):
//                            0  only the first server answers
//                            1  answers leave from --alt-port (other port)
//                            2  every server reports the address and port it saw
//                            3  server i reports the seen port + i (needs 2 servers)
//                            4  servers after the first report another address,
//                               203.0.113.i (needs 2 servers)
//   --alt-port P           second port on each server address for --nat 1 (60723)
//   --reg-code [ID=]N      result code of registrations (default 0 = accepted),
//                          for every id or for one id; repeatable
//   --reg-reply result|ack answer registrations with DEV_REG_RESULT (0x11,
//                          default) or DEV_REG_ACK (0x13)
//   --p2p-code [ID=]N      result code of P2P requests; repeatable. Default: 0 for
//                          ids with an accepted registration, -2 otherwise. On 0
//                          for a registered id both sides get PUNCH_TO.
//   --mute LIST            leave message groups unanswered (still recorded):
//                          hello,reg,p2p,query,rlyreq,probe,alloc,rlyhello or all
// Relay
//   --relay A:P            run a relay on A:P; servers list it in RLY_LIST and
//                          pass relay requests of registered ids on as RLY_TO
//   --relay-ports N        give each session one of N ports after P in turn
//                          (default 0: every session on P)
//   --relay-algorithm 0|1  flag byte of RLY_READY: the peers' channel
//                          algorithm (default 1)
//   --loss P, --dup P, --reorder P
//                          percent of relayed datagrams lost, duplicated, or
//                          held back by --reorder-delay ms (default 30)
//   --delay MS, --jitter MS
//                          fixed delay plus 0..jitter ms on the relayed path
//   --seed N               seed of the faults (default 1): same seed, same faults
// Record and life
//   --record FILE          one JSON line per received datagram (see record_log.h)
//   --record-relayed       also record the relayed traffic
//   --lifetime S           stop after S seconds (default 120, at most 3600);
//                          SIGTERM and SIGINT stop it too
//
// Once every socket is bound it prints "ready" and the endpoints on standard
// output; at the end a summary on standard error. Exit status: 0, 2 for a bad
// switch, 1 when a socket cannot be bound, 3 outside a private namespace.
#include <cstdio>
#include <memory>
#include <string>

#include "private_netns.h"
#include "record_log.h"
#include "rendezvous_config.h"
#include "rendezvous_engine.h"
#include "socket_loop.h"

int main(int argc, char** argv) {
  netns::requirePrivateNamespaceOrExit(argv[0]);
  rendezvous::Config config;
  const std::string problem = rendezvous::parse_config(argc, argv, &config);
  if (!problem.empty()) {
    std::fprintf(stderr, "%s: %s (the switches are listed at the top of main.cpp)\n", argv[0], problem.c_str());
    return 2;
  }
  std::unique_ptr<rendezvous::FileRecorder> recorder;
  if (!config.recordPath.empty()) {
    recorder = std::make_unique<rendezvous::FileRecorder>(config.recordPath);
    if (!recorder->ok()) {
      std::fprintf(stderr, "%s: cannot write %s\n", argv[0], config.recordPath.c_str());
      return 2;
    }
  }
  rendezvous::Engine engine(config, recorder.get());
  rendezvous::SocketLoop loop;
  std::string error;
  if (!loop.open(engine.endpoints(), &error)) {
    std::fprintf(stderr, "%s: %s\n", argv[0], error.c_str());
    return 1;
  }
  std::string ready = "ready";
  for (const auto& e : engine.endpoints()) ready += " " + rendezvous::address_text(e.addr);
  std::printf("%s\n", ready.c_str());
  std::fflush(stdout);

  const std::string why = loop.run(engine, config.lifetimeSeconds);
  const auto& c = engine.relay().counters();
  std::fprintf(stderr,
               "%s: stopped (%s); relayed %llu in, %llu out, %llu dropped, %llu duplicated, %llu reordered\n",
               argv[0], why.c_str(), static_cast<unsigned long long>(c.submitted),
               static_cast<unsigned long long>(c.delivered), static_cast<unsigned long long>(c.dropped),
               static_cast<unsigned long long>(c.duplicated), static_cast<unsigned long long>(c.reordered));
  return 0;
}
