#include "send_path.h"

#include <Vornet.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <mutex>

#include "Tessan.h"
#include "device_session.h"
#include "frame_format.h"
#include "global_state.h"

namespace tessan {
namespace {

// A caller-built HH frame of nDataLen bytes: magic, name and frame type are
// written over it and its payload start enciphered; sent as it is.
int sendAvFrame(DeviceSession& s, const char* szName, uint8_t* frame, uint32_t nDataLen) {
  storeLe32(frame, TESSAN_MAGIC_AV);
  writeName(frame + offsetof(AV_HEAD, szName), szName);
  frame[offsetof(AV_HEAD, nFrameType)] = E_FRAME_TYPE_HH;
  if (s.nEncAV == 1 && s.keySet()) {
    const size_t own = loadLe32(frame + offsetof(AV_HEAD, nDataLen));
    const size_t span = std::min({own, size_t(nDataLen) - kHead, kCipherSpan});
    encipherForSend(s.accessKey, s.keyLen, frame + kHead, span);
  }
  return KV_Send(s.hHandle, frame, int(nDataLen), E_FRAME_TYPE_HH);
}

}  // namespace

void writeName(uint8_t* field, const char* szName) {
  if (!szName) {
    field[0] = 0;
    return;
  }
  std::strncpy(reinterpret_cast<char*>(field), szName, 18);
}

int sendMessageFrame(DeviceSession& s, const char* szName, int nMsgType, const void* pData, uint32_t nDataLen,
                     int nFrameType) {
  GlobalState& st = g();
  const size_t total = kHead + size_t(nDataLen);
  if (st.msgBuf.size() < total) st.msgBuf.assign(total, 0);
  uint8_t* f = st.msgBuf.data();
  std::memset(f, 0, kHead);
  storeLe32(f, TESSAN_MAGIC_MSG);
  f[4] = st.param.nEncMsg;
  f[5] = st.param.nEncAV;
  storeLe16(f + 6, uint32_t(nMsgType));
  storeLe32(f + 8, nDataLen);
  writeName(f + 12, szName);
  f[30] = E_FRAME_TYPE_HH;
  if (nDataLen) std::memcpy(f + kHead, pData, nDataLen);
  if (s.nEncMsg == 1 && s.keySet()) encipherForSend(s.accessKey, s.keyLen, f + kHead, nDataLen);
  return KV_Send(s.hHandle, f, int(total), uint8_t(nFrameType));
}

int sendAuthToken(const char* sn) {
  if (!g().initialised) return E_APP_ERR_NOT_INIT;
  std::lock_guard<std::recursive_mutex> main(g().mainLock);
  DeviceSession* s = lookupSession(sn);
  if (!s || s->hHandle < 0) return E_APP_ERR_NO_SESSION;
  return sendMessageFrame(*s, nullptr, E_MSG_AUTH_REQ, &s->auth, sizeof s->auth, E_FRAME_TYPE_HH);
}

}  // namespace tessan

using namespace tessan;

extern "C" int APP_send(const char* sn, const char* szName, int nMsgType, void* pData, uint32_t nDataLen,
                        int nFrameType) {
  if (!g().initialised) return E_APP_ERR_NOT_INIT;
  if (!sn) return E_APP_ERR_INVALID_PARAM;
  const int mode = nFrameType & 0xFF;
  if (mode != 0 && mode != 1 && mode != E_FRAME_TYPE_HH) return E_APP_ERR_INVALID_PARAM;
  const bool avFrame = mode == E_FRAME_TYPE_HH && nMsgType == E_MSG_AV_FRAME;
  const bool message = mode == E_FRAME_TYPE_HH && !avFrame;
  // Lengths the transport's int cannot carry, frames shorter than their own
  // header and payloads without bytes are refused rather than overrun.
  if (uint64_t(nDataLen) + (message ? kHead : 0) > uint64_t(INT_MAX)) return E_APP_ERR_INVALID_PARAM;
  if (avFrame && (!pData || nDataLen < kHead)) return E_APP_ERR_INVALID_PARAM;
  if (message && nDataLen && !pData) return E_APP_ERR_INVALID_PARAM;

  std::lock_guard<std::recursive_mutex> main(g().mainLock);
  DeviceSession* s = lookupSession(sn);
  if (!s || s->hHandle < 0) return E_APP_ERR_NO_SESSION;
  if (avFrame) return sendAvFrame(*s, szName, static_cast<uint8_t*>(pData), nDataLen);
  if (message) return sendMessageFrame(*s, szName, nMsgType, pData, nDataLen, nFrameType);
  return KV_Send(s->hHandle, pData, int(nDataLen), uint8_t(nFrameType));
}
