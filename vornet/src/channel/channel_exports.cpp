// The channel exports: framed and unframed send and receive, and the
// buffer counts.
#include <cstdint>

#include "Vornet.h"
#include "channel/channel_calls.h"
#include "channel/drw_session.h"

using vornet::channel::channel_buffer_used;
using vornet::channel::channel_read;
using vornet::channel::channel_read_framed;
using vornet::channel::channel_write;
using vornet::channel::channel_write_framed;

namespace {

bool is_framed_type(uint8_t type) { return type == 0 || type == 1; }

int buffer_count(int session, int channel, int readSide) {
  int sendSide = 0;
  int received = 0;
  const int r = channel_buffer_used(session, channel, &sendSide, &received);
  if (r < 0) return r;
  return readSide != 0 ? received : sendSide;
}

uint32_t wait_ms(int timeoutMs) { return timeoutMs > 0 ? static_cast<uint32_t>(timeoutMs) : 0; }

}  // namespace

extern "C" {

KV_API int KV_Send(int session, const void* data, int len, uint8_t type) {
  if (!is_framed_type(type)) return channel_write(session, 0, data, len);
  // Nothing goes out unless the whole message can: header and body travel
  // in one write.
  return channel_write_framed(session, 0, type, data, len);
}

KV_API int KV_SendWithChannel(int session, uint8_t channel, const void* data, int len) {
  if (channel == 0) return KV_ERR_INVALID_PARAMETER;
  return channel_write(session, channel, data, len);
}

KV_API int KV_Recv(int session, void* buf, int* len, int timeoutSeconds, uint8_t* typeOut) {
  return channel_read_framed(session, 0, buf, len, static_cast<int64_t>(timeoutSeconds) * 1000, typeOut);
}

KV_API int KV_Recv2(int session, void* buf, int* len, int timeoutMs) {
  return channel_read(0, session, buf, len, wait_ms(timeoutMs));
}

KV_API int KV_RecvWithChannel(int session, uint8_t channel, void* buf, int* len, int timeoutMs,
                              uint8_t* typeOut) {
  if (channel == 0) return KV_ERR_INVALID_PARAMETER;
  if (timeoutMs == 0 && typeOut == nullptr) return channel_read(channel, session, buf, len, 0);
  return channel_read_framed(session, channel, buf, len, timeoutMs, typeOut);
}

KV_API int KV_GetP2PBufSizeUsed(int session, int readSide) { return buffer_count(session, 0, readSide); }

KV_API int KV_GetP2PBufSizeUsedWithChannel(int session, uint8_t channel, int readSide) {
  if (channel < 1 || channel > 4) return KV_ERR_INVALID_PARAMETER;
  return buffer_count(session, channel, readSide);
}

}  // extern "C"
