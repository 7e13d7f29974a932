// A simulated LAN device: listens for the search probe on UDP port 8602 and
// answers every probe with its device record. Used by the lan_device program
// and, in-process, by the search tests. Runs only inside a private network
// namespace; stops by itself after its lifetime.
#pragma once

#include <netinet/in.h>

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace lan_device {

constexpr uint16_t kProbePort = 8602;
constexpr size_t kHeaderSize = 4;
constexpr size_t kRecordSize = 272;
constexpr size_t kReplySize = kHeaderSize + kRecordSize;
constexpr size_t kMacAt = 80;        // record offsets
constexpr size_t kTagAt = 249;
constexpr size_t kFlagAt = 251;
constexpr uint8_t kDeviceFlag = 1;   // what the device itself puts at kFlagAt
constexpr int kDefaultLifetimeMs = 60000;

using Mac = std::array<uint8_t, 6>;
using Datagram = std::vector<uint8_t>;

// The device's reply: bytes 0-1 free, 0x01 0x08, then the record: `name`
// (up to 31 bytes, NUL-padded) at 0, the MAC at 80, "QZ" at 249, kDeviceFlag
// at 251, and a fixed byte pattern everywhere else.
Datagram makeReply(const Mac& mac, const std::string& name);

bool isProbe(const uint8_t* data, size_t len);
// "02:00:5e:10:20:30" -> bytes; false when malformed.
bool parseMac(const std::string& text, Mac* mac);
std::string formatEndpoint(const sockaddr_in& addr);

struct Received {
  Datagram bytes;
  sockaddr_in from{};
  in_addr to{};  // destination address of the datagram
  std::chrono::nanoseconds at{0};  // kernel arrival time (wall clock; for differences)
};

struct Options {
  uint16_t port = kProbePort;
  std::vector<Datagram> replies;  // sent, in order, for every probe
  std::string replyFrom;          // local address replies leave from (empty: the listening socket)
  std::string replyTo;            // address replies go to (empty: the probe's source address)
  int lifetimeMs = kDefaultLifetimeMs;
  size_t maxProbes = 0;           // stop after answering this many (0: no limit)
  std::function<void(const Received&)> onDatagram;  // on the device thread
};

class SimulatedDevice {
 public:
  explicit SimulatedDevice(Options options);
  ~SimulatedDevice();
  SimulatedDevice(const SimulatedDevice&) = delete;
  SimulatedDevice& operator=(const SimulatedDevice&) = delete;

  bool start(std::string* error);
  void stop();

  // Every datagram that reached the device's port, in order.
  std::vector<Received> received() const;
  bool waitForDatagrams(size_t count, int timeoutMs) const;
  // Sends one more datagram the way the answers go, to the latest prober.
  bool sendToLastProber(const Datagram& datagram);
  // True once the device ended (stop, lifetime or probe limit).
  bool waitFinished(int timeoutMs) const;

 private:
  void run();
  void sendTo(const sockaddr_in& prober, const Datagram& datagram);

  Options options_;
  int listenFd_ = -1;
  int replyFd_ = -1;
  in_addr replyTo_{};
  bool haveReplyTo_ = false;
  std::atomic<bool> stop_{false};
  std::thread thread_;
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::vector<Received> received_;
  sockaddr_in lastProber_{};
  bool haveProber_ = false;
  bool finished_ = false;
};

}  // namespace lan_device
