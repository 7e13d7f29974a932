#include "device_session.h"

#include <cstring>
#include <new>

namespace tessan {

DeviceSession* sessionCreate(const char* sn, const APP_INIT_PARAM& param) {
  // Value-initialised: every field without an initialiser of its own is zero.
  auto* s = new (std::nothrow) DeviceSession();
  if (!s) return nullptr;
  s->recvBuf = new (std::nothrow) uint8_t[MAX_AV_BUF]();
  if (!s->recvBuf) {
    delete s;
    return nullptr;
  }
  std::strncpy(s->sn, sn, sizeof s->sn - 1);
  s->nEncMsg = param.nEncMsg;
  s->nEncAV = param.nEncAV;
  s->bufCapacity = MAX_AV_BUF;
  return s;
}

void sessionFill(DeviceSession& s, const char* accessKey, int keyLen, const MSG_AUTH_REQ& auth,
                 uint32_t connectMode, const char* lanAddr) {
  std::memset(s.accessKey, 0, sizeof s.accessKey);
  if (accessKey && keyLen > 0) {
    std::memcpy(s.accessKey, accessKey, size_t(keyLen));
    s.keyLen = keyLen;
  } else {
    s.keyLen = 0;
  }
  s.auth = auth;
  s.connectMode = connectMode;
  std::memset(s.lanAddr, 0, sizeof s.lanAddr);
  if (lanAddr) std::strncpy(s.lanAddr, lanAddr, sizeof s.lanAddr - 1);
}

void sessionFree(DeviceSession* s) {
  if (!s) return;
  if (s->connectThread.joinable()) s->connectThread.join();
  std::memset(s->recvBuf, 0, size_t(s->bufCapacity));
  delete[] s->recvBuf;
  delete s;
}

}  // namespace tessan
