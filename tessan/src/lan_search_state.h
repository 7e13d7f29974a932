// The one LAN search state of the process and the two threads that work on
// it.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>

#include "lan_search_seen.h"
#include "lan_search_sender.h"
#include "tessan_lan_search.h"

namespace tessan::lan {

struct SearchState {
  std::atomic<bool> running{false};
  // Written only while neither thread runs; closed only after both joined,
  // so a thread never works on a descriptor number that was reused.
  int sock = -1;
  BroadcastList broadcast;
  std::thread sender;
  std::thread receiver;

  // The LAN lock: guards the seen table.
  std::mutex lanLock;
  SeenTable seen;

  // Clears the running flag and wakes the sender from its pauses.
  void stopRunning() {
    {
      std::lock_guard<std::mutex> hold(wakeLock_);
      running.store(false);
    }
    wake_.notify_all();
  }
  // Sleeps `ms`, or less when the search is stopped meanwhile.
  void pause(int ms) {
    std::unique_lock<std::mutex> hold(wakeLock_);
    wake_.wait_for(hold, std::chrono::milliseconds(ms), [this] { return !running.load(); });
  }

  void setCallback(P2P_PCB_LAN_SEARCH cb, void* ctx) {
    std::lock_guard<std::mutex> hold(callbackLock_);
    callback_ = cb;
    context_ = ctx;
  }
  std::pair<P2P_PCB_LAN_SEARCH, void*> callback() {
    std::lock_guard<std::mutex> hold(callbackLock_);
    return {callback_, context_};
  }

 private:
  std::mutex wakeLock_;
  std::condition_variable wake_;

  // A second start replaces callback and context while the receiver reads
  // them: the pair changes as one.
  std::mutex callbackLock_;
  P2P_PCB_LAN_SEARCH callback_ = nullptr;
  void* context_ = nullptr;
};

// Thread bodies.
void runSender(SearchState& state);
void runReceiver(SearchState& state);

// The search whose receiver thread is the calling thread (a callback is
// running), else null.
SearchState* searchOfThisThread();

}  // namespace tessan::lan
