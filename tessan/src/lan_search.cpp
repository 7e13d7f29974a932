// APP_LANSearchStart / APP_LANSearchStop and the life of the search state.
#include "lan_search.h"

#include <mutex>
#include <system_error>

#include "Tessan.h"
#include "lan_search_reply.h"
#include "lan_search_socket.h"
#include "lan_search_state.h"

namespace tessan::lan {
namespace {

// Serialises start, stop, setup and teardown, so two callers never start
// threads twice or close the socket under each other.
std::mutex g_control;
// Under g_control. Deliberately not destroyed at exit: a process may end
// while a search runs, and destroying running threads would abort it.
SearchState* g_state = nullptr;

// The socket is closed only after both threads have been joined.
void stopLocked(SearchState& state) {
  state.stopRunning();
  if (state.sock >= 0) shutDownSocket(state.sock);
  if (state.sender.joinable()) state.sender.join();
  if (state.receiver.joinable()) state.receiver.join();
  if (state.sock >= 0) {
    closeSocket(state.sock);
    state.sock = -1;
  }
}

// Asked from inside the callback, on the receiver thread, which cannot wait
// for itself: the receiver leaves its loop once the callback returns, and the
// next stop from any other thread joins the threads and closes the socket.
void stopFromOwnThread(SearchState& state) {
  state.stopRunning();
  shutDownSocket(state.sock);
}

int openSocket() {
  const int fd = openSearchSocket(kSearchPort);
  return fd >= 0 ? fd : openSearchSocket(0);
}

int startLocked(SearchState& state, P2P_PCB_LAN_SEARCH callback, void* context) {
  state.setCallback(callback, context);
  if (state.receiver.joinable()) return 0;  // an earlier search was not stopped
  state.running.store(true);
  if (state.sock < 0) {
    const int fd = openSocket();
    if (fd < 0) {
      state.running.store(false);
      return E_APP_ERR_LAN_NO_SOCKET;
    }
    state.sock = fd;
  }
  try {
    state.sender = std::thread(runSender, std::ref(state));
    state.receiver = std::thread(runReceiver, std::ref(state));
  } catch (const std::system_error&) {
    stopLocked(state);
    return E_APP_ERR_LAN_NO_SOCKET;
  }
  return 0;
}

}  // namespace
}  // namespace tessan::lan

using tessan::lan::g_control;
using tessan::lan::g_state;
using tessan::lan::SearchState;
using tessan::lan::searchOfThisThread;

void lan_search_setup() {
  std::lock_guard<std::mutex> hold(g_control);
  if (!g_state) g_state = new SearchState;
}

void lan_search_teardown() {
  if (SearchState* own = searchOfThisThread()) {
    // The state cannot go away under the thread that is using it.
    tessan::lan::stopFromOwnThread(*own);
    return;
  }
  std::lock_guard<std::mutex> hold(g_control);
  if (!g_state) return;
  tessan::lan::stopLocked(*g_state);
  delete g_state;
  g_state = nullptr;
}

extern "C" int APP_LANSearchStart(P2P_PCB_LAN_SEARCH callback, void* context) {
  if (SearchState* own = searchOfThisThread()) {
    // From the callback: the receiver thread exists, so only the callback
    // and context change.
    own->setCallback(callback, context);
    return 0;
  }
  std::lock_guard<std::mutex> hold(g_control);
  if (!g_state) return E_APP_ERR_LAN_NOT_INIT;
  return tessan::lan::startLocked(*g_state, callback, context);
}

extern "C" int APP_LANSearchStop(void) {
  if (SearchState* own = searchOfThisThread()) {
    tessan::lan::stopFromOwnThread(*own);
    return 0;
  }
  std::lock_guard<std::mutex> hold(g_control);
  if (g_state) tessan::lan::stopLocked(*g_state);
  return 0;
}
