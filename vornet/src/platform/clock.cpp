#include "platform/clock.h"

#include <atomic>
#include <chrono>
#include <ctime>
#include <thread>

namespace vornet {

namespace {
std::atomic<SleepWatcher> g_sleepWatcher{nullptr};
}  // namespace

uint32_t tick_ms() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  const uint64_t ms = static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
  return static_cast<uint32_t>(ms);
}

int64_t now_seconds() { return static_cast<int64_t>(std::time(nullptr)); }

void sleep_ms(unsigned ms) {
  if (const SleepWatcher watcher = g_sleepWatcher.load()) watcher(ms);
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void set_sleep_watcher(SleepWatcher watcher) { g_sleepWatcher = watcher; }

}  // namespace vornet
