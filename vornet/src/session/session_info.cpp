#include "session/session_info.h"

#include <cstring>
#include <mutex>

#include "core/library_state.h"
#include "directory/server_directory.h"
#include "platform/clock.h"

namespace vornet {

namespace {

void fill_info(KV_SessionInfo* out, const ZORP_Session* s) {
  out->socket = s != nullptr ? s->socket.load() : 0;
  out->role = s != nullptr ? s->role : 0;
  out->linkMode = s != nullptr ? s->linkMode : 0;
  out->secondsLinked = s != nullptr ? static_cast<int32_t>(now_seconds() - s->startTime) : 0;
  out->remote = s != nullptr ? s->remote : sockaddr_in{};
  out->local = s != nullptr ? s->local : sockaddr_in{};
  out->publicAddr = s != nullptr ? s->publicAddr : sockaddr_in{};
  std::memset(out->id, 0, sizeof(out->id));
  if (s != nullptr) std::memcpy(out->id, s->id, sizeof(out->id) - 1);
}

}  // namespace

int session_check(int index) {
  if (!lib().initialized.load()) return -1;
  if (index < 0 || index >= kSessionCount) return -11;
  const ZORP_Session& s = session_at(index);
  if (s.socket.load() < 0 || !s.linked.load()) return -11;
  if (s.closedByCaller.load()) return -14;
  if (s.broken.load()) return -20;
  if (s.timedOut.load()) return -13;
  if (s.closedByPeer.load()) return -12;
  return 0;
}

int get_session_info(int index, KV_SessionInfo* out) {
  std::lock_guard<std::recursive_mutex> lock(mainMutex());
  const int r = session_check(index);
  fill_info(out, r == 0 ? &session_at(index) : nullptr);
  return r;
}

int connect_break_by(const char* id) {
  if (!lib().initialized.load()) return -1;
  std::lock_guard<std::recursive_mutex> lock(mainMutex());
  ZORP_ServerRecord* record = nullptr;
  if (lib().directory == nullptr || directory_lookup(lib().directory, id, &record) != 0) return -24;
  const int b = record->session;
  if (b >= 0 && b < kSessionCount) {
    ZORP_Session& s = session_at(b);
    // Only a connect still waiting for this very id: the back-link may be
    // left over from a slot that was released and claimed again since.
    if (s.socket.load() != kSocketFree && !s.linked.load() && std::strncmp(s.id, id, sizeof(s.id)) == 0 &&
        s.role == 0)
      s.breakFlag = 1;
  }
  return 0;
}

}  // namespace vornet
