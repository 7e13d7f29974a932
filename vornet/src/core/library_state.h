// Library-wide state: the flags, the session table, the main mutex and the
// globals of NAT detection and registration.
//
// The main mutex is recursive (calls made under it may take it again) and
// lives for the whole process: it is never destroyed at de-initialise, so
// a caller still inside an export never uses a dead lock. Neither it nor
// the state is destroyed at process exit either: threads of sessions left
// open keep using them until the kernel ends the process.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "session/session.h"

namespace vornet {

struct ServerDirectory;

struct LibraryState {
  std::atomic<bool> initialized{false};
  std::atomic<bool> listenBreak{false};
  std::atomic<bool> deinitializing{false};  // the de-initialise flag

  ZORP_Session sessions[kSessionCount];
  ServerDirectory* directory = nullptr;     // under the main mutex

  // NAT detection and registration (seconds of C time, 0 = never).
  std::atomic<uint8_t> natType{0};
  std::atomic<int64_t> lastDetectionTime{0};
  std::atomic<int64_t> lastRegistrationTime{0};
  std::atomic<int> detectionIdle{1};        // 0 while a KV_Connect detection runs

  // Dotted texts (16 bytes), under the main mutex.
  char localAddressText[16] = "0.0.0.0";
  char publicAddressText[16] = "0.0.0.0";

  int lastClaimed = 0;                      // under the main mutex
  std::atomic<int> listenCountdown{0};      // seconds
  std::atomic<int> listenCounter{-1};

  // KV_Listen / KV_Connect calls between their entry and their return;
  // de-initialise waits for them before it tears anything down.
  std::atomic<int> activeCalls{0};
};

// Counts one KV_Listen / KV_Connect call for as long as it lives.
class ActiveCall {
 public:
  ActiveCall();
  ~ActiveCall();
  ActiveCall(const ActiveCall&) = delete;
  ActiveCall& operator=(const ActiveCall&) = delete;
};

LibraryState& lib();

// The main mutex: sessions, packet lists, directory.
std::recursive_mutex& mainMutex();

inline ZORP_Session& session_at(int index) { return lib().sessions[index]; }

// Copies the local address text under the main mutex.
void copy_local_address_text(char out[16]);
void set_local_address_text(const char* text);
void copy_public_address_text(char out[16]);

// Library start-up and teardown.
int global_init();
int global_deinit();

}  // namespace vornet
