#include "global_state.h"

namespace tessan {

// Made once and never destroyed: the client never calls APP_uninit, so the
// receive, connect and LAN search threads may still run when the process
// ends. Destroying the joinable receive thread at exit would abort the
// process, and the threads would then use freed locks and buffers. The
// kernel ends them with the process; the pointer keeps the state reachable,
// so leak checkers do not count it.
GlobalState& g() {
  static GlobalState* const state = new GlobalState;
  return *state;
}

DeviceSession* lookupSession(const char* sn) { return g().table ? g().table->find(sn) : nullptr; }

void encipherForSend(const uint8_t* key, int keyLen, uint8_t* data, size_t len) {
  if (!len) return;
  std::lock_guard<std::recursive_mutex> crypt(g().cryptLock);
  rc4Fresh(g().sendRc4, key, size_t(keyLen), data, len);
}

}  // namespace tessan
