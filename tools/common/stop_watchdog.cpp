#include "stop_watchdog.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <thread>

namespace testworld {

void startStopWatchdog(int lifetimeSeconds, std::function<bool(bool bySignal)> onStop,
                       int graceSeconds) {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGINT);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  std::thread([signals, lifetimeSeconds, onStop = std::move(onStop), graceSeconds] {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(lifetimeSeconds);
    int sig = -1;
    while (sig < 0 && std::chrono::steady_clock::now() < end) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          end - std::chrono::steady_clock::now());
      const timespec limit{static_cast<time_t>(left.count() / 1000),
                           static_cast<long>(left.count() % 1000) * 1000000L};
      sig = sigtimedwait(&signals, nullptr, &limit);  // EINTR: wait again
    }
    if (!onStop(sig >= 0)) return;
    sleep(static_cast<unsigned>(graceSeconds));
    _exit(4);
  }).detach();
}

}  // namespace testworld
