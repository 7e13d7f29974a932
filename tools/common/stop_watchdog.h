// Makes a test-world program stop by itself. startStopWatchdog blocks SIGTERM
// and SIGINT in the calling thread (call it before any other thread starts,
// so every thread inherits the mask) and starts a detached thread that waits
// for one of them or for the end of the lifetime. It then calls onStop(bySignal)
// once; unless onStop returns false, the process ends with _exit(4) after
// graceSeconds, even when a call of the program hangs.
#pragma once

#include <functional>

namespace testworld {

void startStopWatchdog(int lifetimeSeconds, std::function<bool(bool bySignal)> onStop,
                       int graceSeconds = 5);

}  // namespace testworld
