// Recording callbacks for the library: every status, message and A/V frame
// with its thread, and bounded waits over what was recorded.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Tessan.h"

namespace linktest {

struct Event {
  std::string sn;
  bool av;
  uint32_t type;  // message type, or the A/V callback's frame type
  std::vector<uint8_t> data;
  std::string name;
  int32_t frameType;
  int status;  // for 153: nStatus
  int linkMode;
  std::thread::id thread;
};

class Recorder {
 public:
  void add(Event e) {
    std::lock_guard<std::mutex> l(m_);
    events_.push_back(std::move(e));
    cv_.notify_all();
  }
  std::vector<Event> events() {
    std::lock_guard<std::mutex> l(m_);
    return events_;
  }
  // Waits (bounded) until `done` holds over the events.
  bool waitFor(const std::function<bool(const std::vector<Event>&)>& done, int ms = 60000) {
    std::unique_lock<std::mutex> l(m_);
    return cv_.wait_for(l, std::chrono::milliseconds(ms), [&] { return done(events_); });
  }
  void clear() {
    std::lock_guard<std::mutex> l(m_);
    events_.clear();
  }

 private:
  std::mutex m_;
  std::condition_variable cv_;
  std::vector<Event> events_;
};

Recorder& recorder();
// Runs inside the message callback for every message (not for statuses),
// on the library's thread; empty by default.
std::function<void(const Event&)>& messageHook();
int recordMsg(const HCHAR* sn, HUINT32 type, HCHAR* data, HUINT32 len, HCHAR* name, HINT32 ft, void* ctx);
int recordAv(const HCHAR* sn, HCHAR* frame, HUINT32 len, void* ctx, HUCHAR ft);

// Statuses reported for `sn`, in order.
std::vector<int> statuses(const std::vector<Event>& ev, const std::string& sn);
std::vector<Event> avFrames(const std::vector<Event>& ev, const std::string& sn);

MSG_AUTH_REQ token(bool authenticate);

// The context both callbacks must get back.
extern int ctxTag;

// Parameters for APP_init with the recording callbacks.
APP_INIT_PARAM recordingParam(uint8_t encMsg, uint8_t encAV);

}  // namespace linktest
