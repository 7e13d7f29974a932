// Records what the LAN search hands to its callback.
#pragma once

#include <array>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "lan_device_sim.h"
#include "tessan_lan_search.h"

struct DeliveredRecord {
  std::array<uint8_t, 272> bytes{};
  int size = 0;
  void* context = nullptr;
  std::thread::id thread;
};

class SearchRecorder {
 public:
  // The callback to hand to APP_LANSearchStart, with this recorder as context.
  static void callback(LAN_DEVICE_INFO* info, int size, void* context);

  std::vector<DeliveredRecord> records() const;
  size_t countOf(const lan_device::Mac& mac) const;
  bool waitFor(const lan_device::Mac& mac, int timeoutMs) const;
  bool waitForCount(size_t count, int timeoutMs) const;

  // Runs inside the callback, after the record was stored.
  std::function<void()> onRecord;

 private:
  size_t countLocked(const lan_device::Mac& mac) const;

  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::vector<DeliveredRecord> records_;
};

// A UDP socket bound to any local address on `port` without address reuse,
// so nobody else can bind the port while it is open; -1 when taken.
int holdPort(uint16_t port);
// True when `port` can be bound without address reuse (nobody holds it).
bool portFree(uint16_t port);
