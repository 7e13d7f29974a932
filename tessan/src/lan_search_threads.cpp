// The two threads of a search: the probe sender and the reply receiver.
#include <pthread.h>

#include <cstring>

#include "lan_search_reply.h"
#include "lan_search_socket.h"
#include "lan_search_state.h"

namespace tessan::lan {

namespace {

constexpr int kReceiveWaitMs = 2000;

thread_local SearchState* t_search = nullptr;

class SocketProbeLink : public ProbeLink {
 public:
  explicit SocketProbeLink(SearchState& state) : state_(state) {}
  bool send(uint32_t addr) override { return sendProbe(state_.sock, addr); }
  void sleepMs(int ms) override { state_.pause(ms); }
  bool running() const override { return state_.running.load(); }

 private:
  SearchState& state_;
};

// Datagrams that are no reply at all: dropped, the search goes on.
bool ignorable(int result) { return result == kEmptyDatagram || result == kOversize; }

}  // namespace

SearchState* searchOfThisThread() { return t_search; }

void runSender(SearchState& state) {
  pthread_setname_np(pthread_self(), "tessan lan tx");
  SocketProbeLink link(state);
  sendProbes(state.broadcast, link);
}

void runReceiver(SearchState& state) {
  pthread_setname_np(pthread_self(), "tessan lan rx");
  t_search = &state;
  {
    std::lock_guard<std::mutex> hold(state.lanLock);
    state.seen.clear();
  }
  uint8_t buf[kReadSize];
  while (state.running.load()) {
    std::memset(buf, 0, sizeof buf);
    const int n = waitAndRead(state.sock, buf, sizeof buf, kReceiveWaitMs);
    if (n == kReadTimeout || ignorable(n)) continue;
    if (n < 0) break;
    if (!acceptReply(buf, static_cast<size_t>(n))) continue;
    {
      std::lock_guard<std::mutex> hold(state.lanLock);
      if (!state.seen.remember(macText(buf))) continue;
    }
    const auto [cb, ctx] = state.callback();
    if (cb && state.running.load()) {
      LAN_DEVICE_INFO record;
      extractRecord(buf, &record);
      cb(&record, static_cast<int>(sizeof record), ctx);
    }
  }
  t_search = nullptr;
}

}  // namespace tessan::lan
