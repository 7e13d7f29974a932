// The library's one global state: the parameters of APP_init, the session
// table, the four locks, the shared buffers, the RC4 records and the receive
// thread's flags.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "Tessan.h"
#include "rc4.h"
#include "session_table.h"

namespace tessan {

struct GlobalState {
  std::atomic<bool> initialised{false};
  APP_INIT_PARAM param{};
  SessionTable* table = nullptr;

  // Orders: receive -> main, receive -> session, receive -> big-buffer,
  // main -> crypt, big-buffer -> crypt, session -> main.
  std::recursive_mutex mainLock;
  std::recursive_mutex recvLock;
  std::recursive_mutex cryptLock;
  std::recursive_mutex bigBufLock;

  std::vector<uint8_t> bigBuf;  // APPT_send frames (under bigBufLock)
  std::vector<uint8_t> msgBuf;  // outgoing HH01 frames (under mainLock)

  Rc4State sendRc4{};  // under cryptLock
  Rc4State recvRc4{};  // receive thread only

  std::atomic<bool> recvRun{false};
  std::thread recvThread;
};

GlobalState& g();

constexpr size_t kBigBufSize = 0x80000;
constexpr size_t kMsgBufSize = 2048;

}  // namespace tessan

namespace tessan {

struct DeviceSession;

// The session of `sn`, or null. Caller holds the main lock.
DeviceSession* lookupSession(const char* sn);

// RC4 with the send-side record (under the crypt lock) over `len` bytes.
void encipherForSend(const uint8_t* key, int keyLen, uint8_t* data, size_t len);

}  // namespace tessan
