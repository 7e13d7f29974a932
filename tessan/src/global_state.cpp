#include "global_state.h"

namespace tessan {

GlobalState& g() {
  static GlobalState state;
  return state;
}

DeviceSession* lookupSession(const char* sn) { return g().table ? g().table->find(sn) : nullptr; }

void encipherForSend(const uint8_t* key, int keyLen, uint8_t* data, size_t len) {
  if (!len) return;
  std::lock_guard<std::recursive_mutex> crypt(g().cryptLock);
  rc4Fresh(g().sendRc4, key, size_t(keyLen), data, len);
}

}  // namespace tessan
