// A bounded wait for a condition seen from outside (a file, a window, a
// log line): checked at once, then every `stepMs` until `timeoutMs` has gone.
#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace testsupport {

inline bool pollUntil(const std::function<bool()>& done, int timeoutMs, int stepMs = 100) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    if (done()) return true;
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(stepMs));
  }
}

}  // namespace testsupport
