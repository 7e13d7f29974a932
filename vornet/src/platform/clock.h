// Time and sleeping: monotonic milliseconds (compared by unsigned
// difference), C time in seconds, and a millisecond sleep.
#pragma once

#include <cstdint>

namespace vornet {

uint32_t tick_ms();
int64_t now_seconds();
void sleep_ms(unsigned ms);

}  // namespace vornet
