// Time and sleeping: monotonic milliseconds (compared by unsigned
// difference), C time in seconds, and a millisecond sleep.
#pragma once

#include <cstdint>

namespace vornet {

uint32_t tick_ms();
int64_t now_seconds();
void sleep_ms(unsigned ms);

// Watches the library's own clock: when set, sleep_ms calls it on the
// sleeping thread with the length, just before it sleeps.  The waiting
// calls sleep once per tick, so a watcher sees their ticks one by one
// whatever the machine's load does to their length.  Null to stop.
using SleepWatcher = void (*)(unsigned ms);
void set_sleep_watcher(SleepWatcher watcher);

}  // namespace vornet
