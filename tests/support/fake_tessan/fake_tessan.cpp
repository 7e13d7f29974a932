#include "fake_tessan.h"

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

namespace fake_tessan {
namespace {

using Clock = std::chrono::steady_clock;

struct Session {
  bool connected = false;
};

// Everything the fake keeps, under one mutex. The callbacks are called
// without it held.
class State {
 public:
  ~State() {
    {
      std::lock_guard<std::mutex> lock(mutex);
      stopping = true;
    }
    wake.notify_all();
    if (worker.joinable()) worker.join();
  }

  std::mutex mutex;
  std::condition_variable wake;  // new job or stop
  std::condition_variable idle;  // the queue ran empty
  std::deque<std::function<void()>> jobs;
  bool busy = false;
  bool stopping = false;
  std::thread worker;

  bool initialised = false;
  APP_INIT_PARAM param{};
  std::vector<Call> calls;
  std::map<std::string, Session> sessions;
  std::map<std::string, std::vector<int>> scripts;
  uint64_t delivered = 0;

  void post(std::function<void()> job) {
    {
      std::lock_guard<std::mutex> lock(mutex);
      jobs.push_back(std::move(job));
      if (!worker.joinable()) worker = std::thread([this] { run(); });
    }
    wake.notify_all();
  }

 private:
  void run() {
    std::unique_lock<std::mutex> lock(mutex);
    while (!stopping) {
      if (jobs.empty()) {
        busy = false;
        idle.notify_all();
        wake.wait_for(lock, std::chrono::milliseconds(200));
        continue;
      }
      std::function<void()> job = std::move(jobs.front());
      jobs.pop_front();
      busy = true;
      lock.unlock();
      job();
      lock.lock();
    }
    busy = false;
    idle.notify_all();
  }
};

State& state() {
  static State s;
  return s;
}

int record(Call call) {
  call.thread = std::this_thread::get_id();
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mutex);
  const int result = call.result;
  s.calls.push_back(std::move(call));
  return result;
}

void noteStatus(State& s, const std::string& sn, int status) {
  std::lock_guard<std::mutex> lock(s.mutex);
  if (status == E_CONN_STATUS_WRONG_TOKEN || status == E_CONN_STATUS_3 ||
      status == E_CONN_STATUS_ONLINE) {
    s.sessions[sn].connected = true;
  } else if (status == E_CONN_STATUS_OFFLINE || status == E_CONN_STATUS_CONNECT_FAILED ||
             status == E_CONN_STATUS_DISCONNECTED) {
    auto it = s.sessions.find(sn);
    if (it != s.sessions.end()) it->second.connected = false;
  }
}

// The callbacks as APP_init kept them (none before it), counting one
// delivery; called right before a callback, without the lock held after.
APP_INIT_PARAM callbacksForDelivery() {
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mutex);
  ++s.delivered;
  return s.initialised ? s.param : APP_INIT_PARAM{};
}

// Reports a status through the message callback on the calling thread.
void reportStatus(const std::string& sn, int status, int linkMode) {
  State& s = state();
  noteStatus(s, sn, status);
  const APP_INIT_PARAM p = callbacksForDelivery();
  if (!p.pfnRecvMsg) return;
  MSG_CONN_STATUS record{};
  record.nStatus = status;
  record.nLinkMode = uint8_t(linkMode);
  p.pfnRecvMsg(sn.c_str(), E_MSG_CONN_STATUS, reinterpret_cast<char*>(&record), sizeof record,
               nullptr, E_FRAME_TYPE_HH, p.pMsgCtx);
}

bool waitUntil(const std::function<bool()>& done, int timeoutMs) {
  const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done()) {
    if (Clock::now() >= end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

}  // namespace

void reset() {
  flush();
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.initialised = false;
  s.param = APP_INIT_PARAM{};
  s.calls.clear();
  s.sessions.clear();
  s.scripts.clear();
  s.delivered = 0;
}

std::vector<Call> calls() {
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.calls;
}

std::vector<Call> calls(const std::string& function) {
  std::vector<Call> out;
  for (Call& c : calls())
    if (c.function == function) out.push_back(std::move(c));
  return out;
}

bool waitForCalls(const std::string& function, size_t count, int timeoutMs) {
  return waitUntil([&] { return calls(function).size() >= count; }, timeoutMs);
}

void scriptConnect(const std::string& sn, const std::vector<int>& statuses) {
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.scripts[sn] = statuses;
}

void postStatus(const std::string& sn, int status, int linkMode) {
  state().post([sn, status, linkMode] { reportStatus(sn, status, linkMode); });
}

void postMessage(const std::string& sn, uint32_t msgType, const Bytes& payload) {
  state().post([sn, msgType, payload] {
    const APP_INIT_PARAM p = callbacksForDelivery();
    if (!p.pfnRecvMsg) return;
    Bytes data = payload;  // the library's own buffer, valid during the call
    char name[18] = {};
    p.pfnRecvMsg(sn.c_str(), msgType, data.empty() ? nullptr : reinterpret_cast<char*>(data.data()),
                 uint32_t(data.size()), name, E_FRAME_TYPE_HH, p.pMsgCtx);
  });
}

void postAv(const std::string& sn, const Bytes& bytes, uint8_t frameType) {
  state().post([sn, bytes, frameType] {
    const APP_INIT_PARAM p = callbacksForDelivery();
    if (!p.pfnRecvAV) return;
    Bytes data = bytes;
    p.pfnRecvAV(sn.c_str(), reinterpret_cast<char*>(data.data()), uint32_t(data.size()), p.pAVCtx,
                frameType);
  });
}

void postAvFrame(const std::string& sn, const Bytes& frame) { postAv(sn, frame, E_FRAME_TYPE_HH); }

void postAvFrames(const std::string& sn, const Bytes& frame, int count) {
  for (int i = 0; i < count; ++i) postAvFrame(sn, frame);
}

void postPause(int ms) {
  state().post([ms] { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); });
}

bool flush(int timeoutMs) {
  State& s = state();
  std::unique_lock<std::mutex> lock(s.mutex);
  return s.idle.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                         [&] { return s.jobs.empty() && !s.busy; });
}

uint64_t delivered() {
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.delivered;
}

}  // namespace fake_tessan

// ---- the device link's C interface ----

using fake_tessan::Call;

extern "C" {

int APP_init(const APP_INIT_PARAM* pParam) {
  fake_tessan::State& s = fake_tessan::state();
  Call c;
  c.function = "APP_init";
  if (pParam) {
    c.msgCallback = pParam->pfnRecvMsg;
    c.avCallback = pParam->pfnRecvAV;
  }
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!s.initialised) {
      s.initialised = true;
      if (pParam) s.param = *pParam;
    }
  }
  return fake_tessan::record(std::move(c));
}

void APP_uninit(void) {
  fake_tessan::flush();
  fake_tessan::State& s = fake_tessan::state();
  Call c;
  c.function = "APP_uninit";
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    s.initialised = false;
    s.param = APP_INIT_PARAM{};
    s.sessions.clear();
  }
  fake_tessan::record(std::move(c));
}

static bool initialised() {
  fake_tessan::State& s = fake_tessan::state();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.initialised;
}

int APP_setServInfo(const char* sn, const char* servList) {
  Call c;
  c.function = "APP_setServInfo";
  c.sn = sn ? sn : "";
  c.servList = servList ? servList : "";
  c.result = initialised() ? 0 : E_APP_ERR_NOT_INIT;
  return fake_tessan::record(std::move(c));
}

int APP_connect(const char* sn, const char* accessKey, int keyLen, const MSG_AUTH_REQ* pAuth,
                uint32_t connectMode, const char* lanAddr) {
  fake_tessan::State& s = fake_tessan::state();
  Call c;
  c.function = "APP_connect";
  c.sn = sn ? sn : "";
  c.keyLen = keyLen;
  if (accessKey && keyLen > 0 && keyLen <= 256) c.accessKey.assign(accessKey, accessKey + keyLen);
  if (pAuth) {
    const uint8_t* a = reinterpret_cast<const uint8_t*>(pAuth);
    c.auth.assign(a, a + sizeof(MSG_AUTH_REQ));
  }
  c.connectMode = connectMode;
  c.lanAddrNull = lanAddr == nullptr;
  c.lanAddr = lanAddr ? lanAddr : "";
  std::vector<int> script;
  if (!initialised()) {
    c.result = E_APP_ERR_NOT_INIT;
  } else if (!sn || !pAuth || keyLen > 256) {
    c.result = E_APP_ERR_INVALID_PARAM;
  } else {
    std::lock_guard<std::mutex> lock(s.mutex);
    fake_tessan::Session& session = s.sessions[c.sn];
    if (session.connected) {
      c.result = E_APP_ERR_ALREADY_CONNECTED;
    } else {
      auto it = s.scripts.find(c.sn);
      if (it != s.scripts.end()) script = it->second;
    }
  }
  const std::string id = c.sn;
  const int result = fake_tessan::record(std::move(c));
  for (int status : script) {
    s.post([id, status] { fake_tessan::reportStatus(id, status, status == 10 ? 1 : 0); });
  }
  return result;
}

int APP_disconnect(const char* sn) {
  fake_tessan::State& s = fake_tessan::state();
  Call c;
  c.function = "APP_disconnect";
  c.sn = sn ? sn : "";
  bool wasConnected = false;
  if (!initialised()) {
    c.result = E_APP_ERR_NOT_INIT;
  } else if (!sn) {
    c.result = E_APP_ERR_INVALID_PARAM;
  } else {
    std::lock_guard<std::mutex> lock(s.mutex);
    auto it = s.sessions.find(c.sn);
    if (it != s.sessions.end()) {
      wasConnected = it->second.connected;
      s.sessions.erase(it);
    }
  }
  const std::string id = c.sn;
  const int result = fake_tessan::record(std::move(c));
  if (wasConnected) fake_tessan::reportStatus(id, E_CONN_STATUS_DISCONNECTED, 0);
  return result;
}

int APP_send(const char* sn, const char* szName, int nMsgType, void* pData, uint32_t nDataLen,
             int nFrameType) {
  fake_tessan::State& s = fake_tessan::state();
  Call c;
  c.function = "APP_send";
  c.sn = sn ? sn : "";
  c.nameNull = szName == nullptr;
  c.name = szName ? std::string(szName, strnlen(szName, 18)) : "";
  c.msgType = nMsgType;
  c.dataLen = nDataLen;
  c.dataNull = pData == nullptr;
  if (pData && nDataLen > 0) {
    const uint8_t* p = static_cast<const uint8_t*>(pData);
    c.payload.assign(p, p + nDataLen);
  }
  c.frameType = nFrameType;
  const int low = nFrameType & 0xFF;
  if (!initialised()) {
    c.result = E_APP_ERR_NOT_INIT;
  } else if (!sn || (low != 0 && low != 1 && low != E_FRAME_TYPE_HH)) {
    c.result = E_APP_ERR_INVALID_PARAM;
  } else {
    std::lock_guard<std::mutex> lock(s.mutex);
    auto it = s.sessions.find(c.sn);
    c.result = (it != s.sessions.end() && it->second.connected) ? int(48 + nDataLen)
                                                                : E_APP_ERR_NO_SESSION;
  }
  return fake_tessan::record(std::move(c));
}

}  // extern "C"
