// Building and sending frames on transport channel 0.
#pragma once

#include <cstdint>

namespace tessan {

struct DeviceSession;

// Writes an 18-byte name field: szName NUL-padded (at most 18 bytes), or a
// single NUL when szName is null.
void writeName(uint8_t* field, const char* szName);

// Builds one HH01 frame in the message buffer and sends it with KV_Send
// (hHandle, frame, nDataLen + 48, nFrameType). Caller holds the main lock.
int sendMessageFrame(DeviceSession& s, const char* szName, int nMsgType, const void* pData, uint32_t nDataLen,
                     int nFrameType);

// Sends the session's 32-byte token as message 150 (80 bytes in all).
// -201, -204 when the session is gone or has no handle, else the KV_Send result.
int sendAuthToken(const char* sn);

}  // namespace tessan
