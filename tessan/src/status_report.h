// Connection status reports through the client's message callback.
#pragma once

#include <cstdint>

namespace tessan {

// Calls the message callback (when set) with (sn, 153, a 56-byte
// MSG_CONN_STATUS, 56, null, 127, ctx) on the calling thread.
void reportStatus(const char* sn, int32_t status, uint8_t linkMode);

}  // namespace tessan
