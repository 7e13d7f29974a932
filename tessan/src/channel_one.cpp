// APPT_send / APPT_recv: length-prefixed frames on transport channel 1.
#include <Vornet.h>

#include <algorithm>
#include <cstring>
#include <mutex>

#include "Tessan.h"
#include "device_session.h"
#include "frame_format.h"
#include "global_state.h"

using namespace tessan;

namespace {

// What a channel-1 call needs of a session, copied under the main lock so a
// concurrent close cannot free it under the call.
struct ChannelView {
  int handle = -1;
  bool encipher = false;
  int keyLen = 0;
  uint8_t key[256];
};

int viewSession(const char* sn, ChannelView& v) {
  if (!g().initialised) return E_APP_ERR_NOT_INIT;
  if (!sn) return E_APP_ERR_INVALID_PARAM;
  std::lock_guard<std::recursive_mutex> main(g().mainLock);
  DeviceSession* s = lookupSession(sn);
  if (!s || s->hHandle < 0) return E_APP_ERR_NO_SESSION;
  v.handle = s->hHandle;
  v.encipher = s->nEncAV == 1 && s->keySet();
  v.keyLen = s->keyLen;
  std::memcpy(v.key, s->accessKey, sizeof v.key);
  return 0;
}

}  // namespace

extern "C" int APPT_send(const char* sn, const void* data, int len, int type) {
  ChannelView v;
  const int rc = viewSession(sn, v);
  if (rc) return rc;
  // The length field has 24 bits; a longer or negative length would wrap.
  if (len < 0 || len > KV_FRAME_MAX_PAYLOAD || (len && !data)) return E_APP_ERR_INVALID_PARAM;

  std::lock_guard<std::recursive_mutex> big(g().bigBufLock);
  std::vector<uint8_t>& buf = g().bigBuf;
  const size_t total = size_t(len) + 4;
  if (buf.size() < total) buf.assign(total, 0);
  const uint32_t head = uint32_t(len) | uint32_t(type & 0xFF) << 24;
  storeLe32(buf.data(), head);
  if (len) std::memcpy(buf.data() + 4, data, size_t(len));
  if (v.encipher) encipherForSend(v.key, v.keyLen, buf.data() + 4, std::min(size_t(len), kCipherSpan));
  return KV_SendWithChannel(v.handle, 1, buf.data(), int(total));
}

extern "C" int APPT_recv(const char* sn, void* buf, int* pLen, int timeoutMs, uint8_t* pType) {
  ChannelView v;
  const int rc = viewSession(sn, v);
  if (rc) return rc;
  if (!buf && !pLen && timeoutMs == 0) return KV_GetP2PBufSizeUsedWithChannel(v.handle, 1, 1);
  return KV_RecvWithChannel(v.handle, 1, buf, pLen, timeoutMs, pType);
}
