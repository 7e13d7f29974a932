#include "core/library_state.h"

#include <cstring>

#include "channel/drw_session.h"
#include "directory/server_directory.h"
#include "platform/clock.h"
#include "session/session_table.h"

namespace vornet {

namespace {
constexpr unsigned kCallWaitStepMs = 10;
constexpr unsigned kCallWaitLimitMs = 15000;  // every waiting loop ends far sooner

// Start-up and teardown never overlap: a KV_Initialize during a running
// KV_DeInitialize would clear slots the teardown is still closing.
std::mutex& lifecycleMutex() {
  static std::mutex m;
  return m;
}
}  // namespace

// The state and its mutex are made once and never destroyed. A process may
// end (return from main, exit) with sessions still open and their protocol
// and data threads running: destroying a joinable std::thread at exit would
// abort the process, and those threads would then use freed memory. The
// kernel ends the threads when the process ends; the pointers below keep
// the objects reachable, so leak checkers do not count them.
LibraryState& lib() {
  static LibraryState* const state = new LibraryState;
  return *state;
}

std::recursive_mutex& mainMutex() {
  static std::recursive_mutex* const m = new std::recursive_mutex;
  return *m;
}

ActiveCall::ActiveCall() { lib().activeCalls.fetch_add(1); }
ActiveCall::~ActiveCall() { lib().activeCalls.fetch_sub(1); }

void session_clear(ZORP_Session& s) {
  s.remote = sockaddr_in{};
  s.local = sockaddr_in{};
  s.publicAddr = sockaddr_in{};
  s.startTime = 0;
  s.role = 0;
  s.linkMode = 0;
  s.protoStop = 0;
  s.drwStop = 0;
  s.connected = 0;
  s.timedOut = 0;
  s.closedByPeer = 0;
  s.closedByCaller = 0;
  s.broken = 0;
  s.relayRetry = 0;
  s.breakFlag = 0;
  s.drwAlgorithm = 0;
  s.relayTime = 0;
  for (auto& a : s.servers) a = sockaddr_in{};
  s.relay = sockaddr_in{};
  s.connectState = 1;
  s.listenState = 1;
  s.relayState = kRelayNone;
  std::memset(s.prefix, 0, sizeof(s.prefix));
  std::memset(s.id, 0, sizeof(s.id));
  s.tag = 0;
  s.relayTag = 0;
  s.linked = 0;
  s.ioSocket = -1;
  s.closing = 0;
}

void copy_local_address_text(char out[16]) {
  std::lock_guard<std::recursive_mutex> lock(mainMutex());
  std::memcpy(out, lib().localAddressText, 16);
}

void set_local_address_text(const char* text) {
  std::lock_guard<std::recursive_mutex> lock(mainMutex());
  std::memset(lib().localAddressText, 0, 16);
  std::strncpy(lib().localAddressText, text, 15);
}

void copy_public_address_text(char out[16]) {
  std::lock_guard<std::recursive_mutex> lock(mainMutex());
  std::memcpy(out, lib().publicAddressText, 16);
}

int global_init() {
  LibraryState& l = lib();
  std::lock_guard<std::mutex> life(lifecycleMutex());
  std::lock_guard<std::recursive_mutex> lock(mainMutex());
  if (l.initialized.load()) return 0;
  l.lastDetectionTime = 0;
  l.lastRegistrationTime = 0;
  if (l.directory == nullptr) l.directory = directory_create();
  for (ZORP_Session& s : l.sessions) {
    session_clear(s);
    channel::drw_reset(s.drw, 0);
    s.socket = kSocketFree;
  }
  std::strcpy(l.localAddressText, "0.0.0.0");
  std::strcpy(l.publicAddressText, "0.0.0.0");
  l.listenBreak = false;
  l.deinitializing = false;
  l.initialized = true;
  return 0;
}

int global_deinit() {
  LibraryState& l = lib();
  std::lock_guard<std::mutex> life(lifecycleMutex());
  // Cleared first: calls that arrive during the teardown are refused (-1)
  // instead of claiming slots or clearing the break flags set below.
  if (!l.initialized.exchange(false)) return -1;
  // Running KV_Listen / KV_Connect calls see these flags and return; wait
  // for them before anything they use is torn down.
  l.listenBreak = true;
  l.listenCountdown = 0;
  l.deinitializing = true;
  for (unsigned waited = 0; l.activeCalls.load() > 0 && waited < kCallWaitLimitMs; waited += kCallWaitStepMs)
    sleep_ms(kCallWaitStepMs);
  close_all_linked();
  std::lock_guard<std::recursive_mutex> lock(mainMutex());
  directory_destroy(l.directory);
  l.directory = nullptr;
  return 0;
}

}  // namespace vornet
