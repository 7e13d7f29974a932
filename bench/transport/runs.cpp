#include "runs.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

#include "Vornet.h"

namespace bench {

namespace {

constexpr int kWriteChunk = 64 * 1024;
constexpr int kUnacknowledgedCap = 4 * 1024 * 1024;

bool parse_transfer(const std::string& line, const std::string& expectedSha, Transfer* t) {
  std::istringstream in(line);
  std::string word;
  std::string sha;
  in >> word >> t->delivered >> sha;
  t->intact = sha == expectedSha;
  return word == "bulk";
}

// Waits until the record file holds a registration of `id`.
bool registered(const std::string& record, const std::string& id, int timeoutMs) {
  for (int waited = 0; waited < timeoutMs; waited += 50) {
    std::ifstream in(record);
    std::string line;
    while (std::getline(in, line)) {
      if (line.find("\"DEV_REG\"") != std::string::npos && line.find("\"" + id + "\"") != std::string::npos) return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

}  // namespace

PeerLink::~PeerLink() {
  if (handle_ >= 0) KV_Close(handle_);
  peer_.stop();
}

bool PeerLink::open(const std::string& id, const std::string& relayRecord, std::string* error) {
  const bool relay = !relayRecord.empty();
  const std::string servers = relay ? "127.0.0.1" : "";
  if (!peer_.start(testworld::selfPath(), {"--vornet-peer", id, relay ? "127.0.0.1" : "-", relay ? "1" : "0"})) {
    *error = "cannot start the peer";
    return false;
  }
  KV_SetServInfo(id.c_str(), servers.c_str());
  // Give the listener time to bind; relayed, wait for its registration,
  // which comes after its LAN announce (a connector hearing that links
  // directly instead).
  if (relay && !registered(relayRecord, id, 10000)) {
    *error = "the peer did not register";
    return false;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  for (int attempt = 0; attempt < 3 && handle_ < 0; ++attempt) {
    handle_ = relay ? KV_Connect(id.c_str(), 0, 15, KV_CONNECT_RELAY | KV_CONNECT_ALT_LOOP, nullptr)
                    : KV_Connect(id.c_str(), 0, 15, KV_CONNECT_LAN, "127.0.0.1");
  }
  if (handle_ < 0) {
    *error = "KV_Connect gave " + std::to_string(handle_);
    return false;
  }
  std::string line;
  if (!peer_.waitFor("linked", 10000, &line, true)) {
    *error = "the peer did not report the link";
    return false;
  }
  KV_SessionInfo info{};
  KV_CheckSessionInfo(handle_, &info);
  linkMode_ = info.linkMode;
  return true;
}

Transfer bulk_vornet(PeerLink& link, const Bytes& data, int64_t limitMs) {
  Transfer t;
  const std::string sha = sha256_hex(data.data(), data.size());
  link.peer().send("bulk " + std::to_string(data.size()) + " " + std::to_string(limitMs));
  const int64_t start = mono_ns();
  const int64_t end = start + limitMs * 1000000;
  size_t written = 0;
  while (written < data.size() && mono_ns() < end) {
    const int used = KV_GetP2PBufSizeUsed(link.handle(), 0);
    if (used < 0) break;
    if (used > kUnacknowledgedCap) {
      std::this_thread::sleep_for(std::chrono::microseconds(200));
      continue;
    }
    const int n = static_cast<int>(std::min<size_t>(kWriteChunk, data.size() - written));
    if (KV_Send(link.handle(), data.data() + written, n, 127) != n) break;
    written += static_cast<size_t>(n);
  }
  std::string line;
  const int64_t waitMs = std::max<int64_t>(1000, (end - mono_ns()) / 1000000 + 2000);
  if (link.peer().waitFor("bulk", static_cast<int>(waitMs), &line, true)) parse_transfer(line, sha, &t);
  t.seconds = (mono_ns() - start) / 1e9;
  t.intact = t.intact && t.delivered == data.size();
  return t;
}

Transfer bulk_tcp(const Bytes& data) {
  Transfer t;
  const int listener = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t alen = sizeof a;
  if (listener < 0 || bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(listener, 1) != 0 ||
      getsockname(listener, reinterpret_cast<sockaddr*>(&a), &alen) != 0) {
    if (listener >= 0) close(listener);
    return t;
  }
  testworld::ChildProcess peer{kPeerExitGraceMs};
  if (!peer.start(testworld::selfPath(), {"--tcp-peer", std::to_string(ntohs(a.sin_port)), std::to_string(data.size())})) {
    close(listener);
    return t;
  }
  const int s = accept(listener, nullptr, nullptr);
  close(listener);
  if (s < 0) return t;
  const int64_t start = mono_ns();
  size_t written = 0;
  while (written < data.size()) {
    const ssize_t n = write(s, data.data() + written, data.size() - written);
    if (n <= 0) break;
    written += static_cast<size_t>(n);
  }
  std::string line;
  if (peer.waitFor("bulk", 120000, &line, true)) parse_transfer(line, sha256_hex(data.data(), data.size()), &t);
  t.seconds = (mono_ns() - start) / 1e9;
  close(s);
  t.intact = t.intact && t.delivered == data.size();
  return t;
}

Latency message_delay(PeerLink& link, int count, int intervalMs) {
  Latency l;
  const int64_t limitMs = static_cast<int64_t>(count) * intervalMs + 20000;
  link.peer().send("latency " + std::to_string(count) + " " + std::to_string(limitMs));
  Bytes message = random_bytes(1024, 3);
  for (int i = 0; i < count; ++i) {
    const int64_t now = mono_ns();
    std::memcpy(message.data(), &now, 8);
    if (KV_Send(link.handle(), message.data(), static_cast<int>(message.size()), 0) != 1024) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(intervalMs));
  }
  std::string line;
  if (link.peer().waitFor("latency", static_cast<int>(limitMs) + 2000, &line, true)) {
    std::istringstream in(line);
    std::string word;
    double p50 = -1;
    double p99 = -1;
    in >> word >> l.received >> p50 >> p99;
    l.p50Ms = p50 < 0 ? -1 : p50 / 1000;
    l.p99Ms = p99 < 0 ? -1 : p99 / 1000;
  }
  return l;
}

IdleCpu idle_cpu(PeerLink& link, int seconds) {
  IdleCpu c;
  auto peerCpu = [&]() {
    std::string line;
    link.peer().send("cpu");
    if (!link.peer().waitFor("cpu", 5000, &line, true)) return -1.0;
    return std::stod(line.substr(4));
  };
  const double peer0 = peerCpu();
  const double self0 = cpu_ms();
  const int64_t start = mono_ns();
  std::this_thread::sleep_for(std::chrono::seconds(seconds));
  c.seconds = (mono_ns() - start) / 1e9;
  c.selfMs = cpu_ms() - self0;
  c.peerMs = peerCpu() - peer0;
  return c;
}

}  // namespace bench
