#include "session/session_table.h"

#include <unistd.h>

#include <mutex>

#include "channel/drw_session.h"
#include "core/library_state.h"
#include "directory/server_directory.h"
#include "wire/zorp_send.h"
#include "wire/zorp_wire.h"

namespace vornet {

int claim_slot(const char* prefix, const char* id, ZORP_ServerRecord* backlink) {
  LibraryState& l = lib();
  std::lock_guard<std::recursive_mutex> lock(mainMutex());
  for (int k = 1; k <= kSessionCount; ++k) {
    const int i = (l.lastClaimed + k) % kSessionCount;
    ZORP_Session& s = l.sessions[i];
    if (s.socket.load() != kSocketFree) continue;
    s.socket = kSocketClaiming;
    l.lastClaimed = i;
    if (backlink != nullptr) backlink->session = static_cast<int16_t>(i);
    session_clear(s);
    channel::drw_reset(s.drw, 0);
    wire::put_text(reinterpret_cast<uint8_t*>(s.prefix), sizeof(s.prefix), prefix);
    wire::put_text(reinterpret_cast<uint8_t*>(s.id), sizeof(s.id), id);
    return i;
  }
  return -17;
}

void release_slot(int index) {
  std::lock_guard<std::recursive_mutex> lock(mainMutex());
  ZORP_Session& s = session_at(index);
  session_clear(s);
  channel::drw_free_lists(s.drw);
  s.socket = kSocketFree;
}

int close_request(int index) {
  if (!lib().initialized.load()) return -1;
  if (index >= kSessionCount) return -11;
  ZORP_Session& s = session_at(index);
  {
    std::lock_guard<std::recursive_mutex> lock(mainMutex());
    if (s.socket.load() < 0 || !s.linked.load() || s.closing.exchange(1) != 0) return -11;
  }
  ZORP_Close(index, true);
  return 0;
}

void ZORP_Close(int index, bool callerClose) {
  ZORP_Session& s = session_at(index);
  if (callerClose) {
    std::lock_guard<std::recursive_mutex> lock(mainMutex());
    s.closedByCaller = 1;
    s.drwStop = 1;
  }
  channel::drw_drain(index);  // bounded
  sockaddr_in remote;
  {
    std::lock_guard<std::recursive_mutex> lock(mainMutex());
    remote = s.remote;
  }
  wire::send_close(s.socket.load(), remote);
  channel::drw_stop_threads(index);
  int sock;
  {
    std::lock_guard<std::recursive_mutex> lock(mainMutex());
    channel::drw_free_lists(s.drw);
    sock = s.socket.load();
  }
  if (sock >= 0) close(sock);
  std::lock_guard<std::recursive_mutex> lock(mainMutex());
  session_clear(s);
  s.socket = kSocketFree;
}

void close_all_linked() {
  for (int i = 0; i < kSessionCount; ++i) {
    ZORP_Session& s = session_at(i);
    {
      std::lock_guard<std::recursive_mutex> lock(mainMutex());
      if (s.socket.load() < 0 || !s.linked.load() || s.closing.exchange(1) != 0) continue;
    }
    ZORP_Close(i, false);
  }
}

}  // namespace vornet
