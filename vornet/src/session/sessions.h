// Bodies of KV_Listen and KV_Connect.
#pragma once

#include <cstdint>

namespace vornet {

// Device-id prefix of every session of this system.
constexpr const char* kSessionPrefix = "vek";

// Session index, or -1 -3 -4 -5 -8 -9 -16 -17 -18 -24 -25.
int ZORP_Listen_Do(const char* id, uint16_t detectPort, uint32_t timeoutAndFlags);

// Argument checks of KV_Connect, then ZORP_Connect_Do with the prefix.
int connect_prepare(const char* id, uint16_t localPort, uint32_t flags, const char* lanAddr);
// Session index, or -1 -3 -4 -6 -8 -17 -18 -19 -24.
int ZORP_Connect_Do(const char* lanAddr, const char* id, const char* prefix, uint16_t localPort, uint32_t flags);

}  // namespace vornet
