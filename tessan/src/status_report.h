// Connection status reports through the client's message callback.
#pragma once

#include <cstdint>

#include "Tessan.h"

namespace tessan {

// Calls the message callback (when set) with (sn, 153, a 56-byte
// MSG_CONN_STATUS, 56, null, 127, ctx) on the calling thread.
void reportStatus(const char* sn, int32_t status, uint8_t linkMode);

// The same through the callback of `param`: for a caller's own thread,
// which reads the parameters under the main lock (APP_init may run on
// another thread meanwhile).
void reportStatusTo(const APP_INIT_PARAM& param, const char* sn, int32_t status, uint8_t linkMode);

}  // namespace tessan
