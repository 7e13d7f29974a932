// One camera's session: its keys, transport handle, receive buffer and the
// connect thread that opens it.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

#include "Tessan.h"

namespace tessan {

struct DeviceSession {
  char sn[20];
  int keyLen;
  char lanAddr[32];
  MSG_AUTH_REQ auth;
  uint8_t accessKey[256];
  std::atomic<int> hHandle{-1};
  uint32_t connectMode;
  std::atomic<uint8_t> nLinkMode{0};
  uint8_t nEncMsg;
  uint8_t nEncAV;
  std::atomic<bool> connectRunning{false};
  int bufCapacity;
  int nBufAV_curPos;
  uint8_t* recvBuf;
  std::recursive_mutex lock;  // held by the connect thread for its whole run
  std::atomic<bool> connectStarted{false};  // set by the connect thread under startMutex
  std::mutex startMutex;
  std::condition_variable startCv;  // the connect thread has set connectStarted
  std::atomic<bool> closing{false};  // set first thing when the session is being closed
  std::thread connectThread;

  bool keySet() const { return keyLen > 0 && accessKey[0] != 0; }
  bool authenticated() const { return (auth.nAuthFlag & 0xFF) != 0; }
};

// A zero-filled session for `sn` with hHandle -1 and its receive buffer;
// null when the buffer cannot be allocated.
DeviceSession* sessionCreate(const char* sn, const APP_INIT_PARAM& param);

// Copies what APP_connect gives into the session. Only while no connect
// thread runs on it.
void sessionFill(DeviceSession& s, const char* accessKey, int keyLen, const MSG_AUTH_REQ& auth,
                 uint32_t connectMode, const char* lanAddr);

// Frees the buffers and the record; the connect thread must have ended.
void sessionFree(DeviceSession* s);

}  // namespace tessan
