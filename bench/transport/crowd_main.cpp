// transport_crowd_bench: what a crowd of connect attempts does to a linked
// session of the same process. A client that lists many cameras which never
// come online keeps a KV_Connect running for each of them (every attempt
// loop runs its whole 12 s against servers that do not know the id), so the
// session table fills up with waiting sessions and their protocol threads
// beside the one live link. This program measures the live link alone and
// then beside the crowd, in the same run:
//   goodput   N bytes (default 16 MiB) over channel 0 to a helper peer
//   delay     p50/p99 write-to-read delay of M framed 1 KiB messages, one
//             every 5 ms (default 400)
//   echo      N bytes over channel 0 of a second session to the channel
//             tests' echo peer and back: this process receives and
//             acknowledges at full rate too
// and, beside the crowd, how the attempts ended and the longest time a
// refused one (-17, table full) took to return. Two live sessions beside
// 126 attempts fill the 128 slots, as in a client watching two cameras.
// Runs only inside a private network namespace (scripts/netns.sh); the
// rendezvous program and the peer it starts stop by themselves.
//
// Usage: transport_crowd_bench [--attempts A (127)] [--bytes N] [--messages M]
// Ends with the line
//   crowd: A attempts, goodput X of alone, echo Y of alone, p99 delay Z ms (alone W ms)
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Vornet.h"
#include "bench_support.h"
#include "child_process.h"
#include "peer_role.h"
#include "private_netns.h"
#include "runs.h"

namespace {

struct Options {
  int attempts = 126;
  uint64_t bytes = 16ull << 20;
  int messages = 400;
};

bool parse(int argc, char** argv, Options* o) {
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string sw = argv[i];
    const long long v = std::atoll(argv[i + 1]);
    if (sw == "--attempts") o->attempts = static_cast<int>(v);
    else if (sw == "--bytes") o->bytes = static_cast<uint64_t>(v);
    else if (sw == "--messages") o->messages = static_cast<int>(v);
    else return false;
  }
  return argc % 2 == 1 && o->attempts >= 0 && o->attempts <= 1000 && o->bytes > 0 && o->bytes <= (1ull << 32) &&
         o->messages > 0 && o->messages <= 100000;
}

// Connect attempts to ids the servers do not know, each thread starting
// its next one when the last has ended, until stopped (bounded by count).
class Crowd {
 public:
  explicit Crowd(int attempts) {
    for (int i = 0; i < attempts; ++i) {
      const std::string id = "NOBODY" + std::to_string(getpid()) + "-" + std::to_string(i);
      KV_SetServInfo(id.c_str(), "127.0.0.1");
      ids_.push_back(id);
    }
    for (const std::string& id : ids_) threads_.emplace_back([this, id] { run(id); });
  }

  ~Crowd() { stop(); }

  void stop() {
    stop_ = true;
    for (int round = 0; round < 3; ++round)
      for (const std::string& id : ids_) KV_Connect_Break_By(id.c_str());
    for (std::thread& t : threads_)
      if (t.joinable()) t.join();
  }

  std::map<int, int> results() {
    std::lock_guard<std::mutex> l(m_);
    return results_;
  }
  double longestRefusalMs() const { return longestRefusalUs_.load() / 1000.0; }

 private:
  void run(const std::string& id) {
    for (int n = 0; !stop_ && n < 1000; ++n) {
      const int64_t start = bench::mono_ns();
      const int r = KV_Connect(id.c_str(), 0, 15, KV_CONNECT_LAN | KV_CONNECT_P2P | KV_CONNECT_RELAY, "127.0.0.1");
      const int64_t us = (bench::mono_ns() - start) / 1000;
      if (r >= 0) KV_Close(r);
      {
        std::lock_guard<std::mutex> l(m_);
        ++results_[r >= 0 ? 0 : r];
      }
      if (r == KV_ERR_NO_FREE_SESSION) {
        int64_t seen = longestRefusalUs_.load();
        while (us > seen && !longestRefusalUs_.compare_exchange_weak(seen, us)) {
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));  // as a client's retry timer would
      }
    }
  }

  std::vector<std::string> ids_;
  std::vector<std::thread> threads_;
  std::atomic<bool> stop_{false};
  std::mutex m_;
  std::map<int, int> results_;
  std::atomic<int64_t> longestRefusalUs_{0};
};

// A second linked session, to the echo peer of the channel tests.
class EchoLink {
 public:
  ~EchoLink() {
    if (handle_ >= 0) KV_Close(handle_);
    peer_.stop();
  }
  bool open(const std::string& id, std::string* error) {
    if (!peer_.start(CHANNEL_PEER_PROGRAM, {"--id", id, "--lifetime", "300"})) {
      *error = "cannot start the echo peer";
      return false;
    }
    KV_SetServInfo(id.c_str(), "");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the peer binds its sockets
    for (int attempt = 0; attempt < 3 && handle_ < 0; ++attempt)
      handle_ = KV_Connect(id.c_str(), 0, 15, KV_CONNECT_LAN, "127.0.0.1");
    if (handle_ < 0) *error = "KV_Connect gave " + std::to_string(handle_);
    return handle_ >= 0;
  }

  // `data` out and back; the time until the last byte came back.
  bench::Transfer echo(const bench::Bytes& data, int64_t limitMs) {
    bench::Transfer t;
    const int64_t start = bench::mono_ns();
    const int64_t end = start + limitMs * 1000000;
    std::thread writer([&] {
      size_t written = 0;
      while (written < data.size() && bench::mono_ns() < end) {
        const int used = KV_GetP2PBufSizeUsed(handle_, 0);
        if (used < 0) return;
        if (used > 4 * 1024 * 1024) {
          std::this_thread::sleep_for(std::chrono::microseconds(200));
          continue;
        }
        const int n = static_cast<int>(std::min<size_t>(64 * 1024, data.size() - written));
        if (KV_Send(handle_, data.data() + written, n, 127) != n) return;
        written += static_cast<size_t>(n);
      }
    });
    bench::Bytes back(data.size());
    bool same = true;
    while (t.delivered < data.size() && bench::mono_ns() < end) {
      int len = static_cast<int>(std::min<uint64_t>(256 * 1024, data.size() - t.delivered));
      const int r = KV_Recv2(handle_, back.data() + t.delivered, &len, 5);
      if (r == KV_ERR_TIMEOUT) continue;
      if (r != 0) break;
      same = same && std::equal(back.begin() + static_cast<long>(t.delivered),
                                back.begin() + static_cast<long>(t.delivered + static_cast<uint64_t>(len)),
                                data.begin() + static_cast<long>(t.delivered));
      t.delivered += static_cast<uint64_t>(len);
    }
    writer.join();
    t.seconds = (bench::mono_ns() - start) / 1e9;
    t.intact = same && t.delivered == data.size();
    return t;
  }

 private:
  testworld::ChildProcess peer_{bench::kPeerExitGraceMs};
  int handle_ = -1;
};

struct Figures {
  bench::Transfer bulk;
  bench::Transfer echo;
  bench::Latency delay;
};

Figures measure(bench::PeerLink& link, EchoLink& echo, const bench::Bytes& data, int messages) {
  Figures f;
  f.bulk = bench::bulk_vornet(link, data, 120000);
  f.echo = echo.echo(data, 120000);
  f.delay = bench::message_delay(link, messages, 5);
  return f;
}

void print(const char* what, const Figures& f) {
  std::printf("   %-12s goodput %8.2f MiB/s %-9s echo %8.2f MiB/s %-9s delay p50 %6.2f ms p99 %6.2f ms (%d messages)\n",
              what, f.bulk.mibPerSecond(), f.bulk.intact ? "sha256 ok" : "ALTERED", f.echo.mibPerSecond(),
              f.echo.intact ? "intact" : "ALTERED", f.delay.p50Ms, f.delay.p99Ms, f.delay.received);
  std::fflush(stdout);
}

double share(double crowded, double alone) { return alone > 0 ? crowded / alone : 0; }

}  // namespace

int main(int argc, char** argv) {
  netns::requirePrivateNamespaceOrExit(argv[0]);
  int peerStatus = 0;
  if (bench::run_peer_role_if_asked(argc, argv, &peerStatus)) return peerStatus;
  setvbuf(stdout, nullptr, _IOLBF, 0);
  Options o;
  if (!parse(argc, argv, &o)) {
    std::fprintf(stderr, "%s: bad switches (they are listed at the top of crowd_main.cpp)\n", argv[0]);
    return 2;
  }
  testworld::ChildProcess servers;
  std::string line;
  if (!servers.start(RENDEZVOUS_PROGRAM, {"--servers", "127.0.0.1", "--lifetime", "900"}) ||
      !servers.waitFor("ready", 5000, &line, true)) {
    std::printf("transport_crowd_bench: the rendezvous program did not start\n");
    return 1;
  }
  KV_Initialize();
  bool ok = false;
  {
    bench::PeerLink link;
    EchoLink echo;
    std::string error;
    if (!link.open("CROWDLIVE" + std::to_string(getpid()), "", &error) ||
        !echo.open("CROWDECHO" + std::to_string(getpid()), &error)) {
      std::printf("transport_crowd_bench: link failed: %s\n", error.c_str());
      KV_DeInitialize();
      return 1;
    }
    const bench::Bytes data = bench::random_bytes(o.bytes, 7);
    std::printf("== crowd: %llu bytes and %d messages over a linked session, alone and beside %d attempts\n",
                static_cast<unsigned long long>(o.bytes), o.messages, o.attempts);
    const Figures alone = measure(link, echo, data, o.messages);
    print("alone", alone);
    Figures crowded;
    std::map<int, int> results;
    double refusal = 0;
    {
      Crowd crowd(o.attempts);
      std::this_thread::sleep_for(std::chrono::seconds(1));  // every attempt holds its slot
      crowded = measure(link, echo, data, o.messages);
      crowd.stop();
      results = crowd.results();
      refusal = crowd.longestRefusalMs();
    }
    print("beside crowd", crowded);
    std::printf("   attempts ended:");
    for (const auto& r : results) std::printf(" %d x %d", r.second, r.first);
    std::printf("; longest refusal (-17) %.2f ms\n", refusal);
    std::printf("crowd: %d attempts, goodput %.3f of alone, echo %.3f of alone, p99 delay %.2f ms (alone %.2f ms)\n",
                o.attempts, share(crowded.bulk.mibPerSecond(), alone.bulk.mibPerSecond()),
                share(crowded.echo.mibPerSecond(), alone.echo.mibPerSecond()), crowded.delay.p99Ms,
                alone.delay.p99Ms);
    ok = alone.bulk.intact && crowded.bulk.intact && alone.echo.intact && crowded.echo.intact &&
         crowded.delay.received == o.messages;
  }
  KV_DeInitialize();
  servers.stop();
  return ok ? 0 : 1;
}
