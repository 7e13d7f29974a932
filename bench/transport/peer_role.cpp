// Commands of the Vornet peer (one line each, one answer line each):
//   bulk N LIMIT_MS   read N bytes from channel 0 -> "bulk GOT SHA256"
//   latency M LIMIT_MS read M framed messages whose first 8 bytes are the
//                     sender's CLOCK_MONOTONIC ns -> "latency GOT P50_US P99_US"
//   cpu               -> "cpu MS" (this process's CPU time so far)
//   quit              close the session and end
#include "peer_role.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "Vornet.h"
#include "bench_support.h"
#include "sha256.h"

namespace bench {

namespace {

void say(const std::string& line) {
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

std::string bulk(int h, uint64_t want, int64_t limitMs) {
  testworld::Sha256 digest;
  std::vector<uint8_t> buf(256 * 1024);
  uint64_t got = 0;
  const int64_t end = mono_ns() + limitMs * 1000000;
  while (got < want && mono_ns() < end) {
    const int ready = KV_GetP2PBufSizeUsed(h, 1);
    if (ready < 0) break;
    if (ready == 0) {
      std::this_thread::sleep_for(std::chrono::microseconds(200));
      continue;
    }
    int len = static_cast<int>(std::min<uint64_t>({buf.size(), static_cast<uint64_t>(ready), want - got}));
    if (KV_Recv2(h, buf.data(), &len, 0) != 0) continue;
    digest.add(buf.data(), static_cast<size_t>(len));
    got += static_cast<uint64_t>(len);
  }
  return "bulk " + std::to_string(got) + " " + digest.hex();
}

std::string latency(int h, int want, int64_t limitMs) {
  std::vector<double> delays;
  std::vector<uint8_t> buf(4096);
  const int64_t end = mono_ns() + limitMs * 1000000;
  while (static_cast<int>(delays.size()) < want && mono_ns() < end) {
    int len = static_cast<int>(buf.size());
    const int r = KV_Recv(h, buf.data(), &len, 1, nullptr);
    if (r == KV_ERR_TIMEOUT) continue;
    if (r != 0) break;
    if (len < 8) continue;
    int64_t sentAt = 0;
    std::memcpy(&sentAt, buf.data(), 8);
    delays.push_back((mono_ns() - sentAt) / 1000.0);
  }
  std::sort(delays.begin(), delays.end());
  auto pick = [&](double q) {
    return delays.empty() ? -1.0 : delays[std::min(delays.size() - 1, static_cast<size_t>(q * delays.size()))];
  };
  std::ostringstream o;
  o << "latency " << delays.size() << " " << pick(0.5) << " " << pick(0.99);
  return o.str();
}

}  // namespace

int run_vornet_peer(const std::string& id, const std::string& servers, bool detect) {
  alarm(kPeerLifetimeSeconds);  // stops by itself, whatever happens
  KV_Initialize();
  KV_SetServInfo(id.c_str(), servers.c_str());
  const uint32_t flags = 60 | (detect ? 0u : KV_LISTEN_NO_DETECT);
  const int h = KV_Listen(id.c_str(), 0, flags);
  if (h < 0) {
    say("failed " + std::to_string(h));
    KV_DeInitialize();
    return 1;
  }
  KV_SessionInfo info{};
  KV_CheckSessionInfo(h, &info);
  say("linked " + std::to_string(h) + " mode " + std::to_string(info.linkMode));
  std::string line;
  while (std::getline(std::cin, line)) {
    std::istringstream in(line);
    std::string command;
    in >> command;
    if (command == "bulk") {
      uint64_t n = 0;
      int64_t limit = 0;
      in >> n >> limit;
      say(bulk(h, n, limit));
    } else if (command == "latency") {
      int m = 0;
      int64_t limit = 0;
      in >> m >> limit;
      say(latency(h, m, limit));
    } else if (command == "cpu") {
      say("cpu " + std::to_string(cpu_ms()));
    } else {
      break;
    }
  }
  KV_Close(h);
  KV_DeInitialize();
  return 0;
}

int run_tcp_peer(uint16_t port, uint64_t bytes) {
  alarm(kPeerLifetimeSeconds);
  const int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (s < 0 || connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
    say("failed");
    return 1;
  }
  testworld::Sha256 digest;
  std::vector<uint8_t> buf(256 * 1024);
  uint64_t got = 0;
  while (got < bytes) {
    const ssize_t n = read(s, buf.data(), std::min<uint64_t>(buf.size(), bytes - got));
    if (n <= 0) break;
    digest.add(buf.data(), static_cast<size_t>(n));
    got += static_cast<uint64_t>(n);
  }
  close(s);
  say("bulk " + std::to_string(got) + " " + digest.hex());
  return 0;
}

bool run_peer_role_if_asked(int argc, char** argv, int* status) {
  const std::string first = argc > 1 ? argv[1] : "";
  if (first == "--vornet-peer" && argc == 5) {
    *status = run_vornet_peer(argv[2], std::string(argv[3]) == "-" ? "" : argv[3], std::string(argv[4]) == "1");
    return true;
  }
  if (first == "--tcp-peer" && argc == 4) {
    *status = run_tcp_peer(static_cast<uint16_t>(std::atoi(argv[2])), std::strtoull(argv[3], nullptr, 10));
    return true;
  }
  return false;
}

}  // namespace bench
