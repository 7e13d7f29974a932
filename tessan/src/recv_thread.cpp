#include "recv_thread.h"

#include <Vornet.h>
#include <pthread.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>

#include "device_session.h"
#include "frame_cutter.h"
#include "global_state.h"
#include "session_close.h"
#include "status_report.h"

namespace tessan {
namespace {

// Hands one session's frames to the client's callbacks.
class CallbackSink : public FrameSink {
 public:
  explicit CallbackSink(DeviceSession& s) : s_(s), p_(g().param) {}

  bool active() override { return g().recvRun && s_.hHandle >= 0; }

  void onMessage(uint16_t msgType, uint8_t* payload, uint32_t len, char* name, int32_t frameType) override {
    if (p_.pfnRecvMsg)
      p_.pfnRecvMsg(s_.sn, msgType, reinterpret_cast<HCHAR*>(payload), len, name, frameType, p_.pMsgCtx);
  }

  void onAuthAnswer(int nResult) override {
    if (nResult != 0) {
      reportStatus(s_.sn, E_CONN_STATUS_WRONG_TOKEN, s_.nLinkMode);
      KV_DebugTrace(" ThreadRecv] sn=%s MSG_AUTH_RESP.nResult=%d E_CONN_STATUS_WRONG_TOKEN\n", s_.sn, nResult);
    } else {
      reportStatus(s_.sn, E_CONN_STATUS_ONLINE, s_.nLinkMode);
    }
  }

  void onPeerStatus(int32_t status) override { reportStatus(s_.sn, status, s_.nLinkMode); }

  void onAv(uint8_t* frame, uint32_t len, uint8_t type) override {
    if (p_.pfnRecvAV) p_.pfnRecvAV(s_.sn, reinterpret_cast<HCHAR*>(frame), len, p_.pAVCtx, type);
  }

  void onResync(size_t nFound) override {
    std::printf("must find HEAD of MSG_HEAD or AV_HEAD, nFound=%d\n", int(nFound));
    std::fflush(stdout);
  }

 private:
  DeviceSession& s_;
  const APP_INIT_PARAM& p_;
};

bool lostSessionCode(int code) {
  switch (code) {
    case KV_ERR_SESSION_BROKEN:
    case KV_ERR_CLOSED_BY_CALLER:
    case KV_ERR_SESSION_TIMEOUT:
    case KV_ERR_CLOSED_BY_PEER:
    case KV_ERR_INVALID_SESSION:
    case KV_ERR_ID_REFUSED:
    case KV_ERR_INVALID_PARAMETER:
    case KV_ERR_INVALID_ID:
      return true;
    default:
      return false;
  }
}

// Closes a session the transport has lost (or whose stream can never
// complete) and reports it disconnected. Receive lock held.
void dropSession(DeviceSession& s) {
  char sn[sizeof s.sn];
  std::memcpy(sn, s.sn, sizeof sn);
  closeSession(sn);
  reportStatus(sn, E_CONN_STATUS_DISCONNECTED, 0);
}

// Reads what waits on channel 0 and dispatches it; true when that made
// progress. Receive lock held.
bool parsePacket(DeviceSession& s, int waiting) {
  CutKeys keys;
  keys.authFlag = s.authenticated();
  keys.decMsg = s.nEncMsg == 1;
  keys.decAV = s.nEncAV == 1;
  keys.key = s.accessKey;
  keys.keyLen = s.keyLen;
  CallbackSink sink(s);
  const int handle = s.hHandle;
  const StreamReader read = [handle](uint8_t* dst, int* len) { return KV_Recv2(handle, dst, len, 0); };
  const ParseOutcome o =
      parseInto(s.recvBuf, s.nBufAV_curPos, s.bufCapacity, waiting, read, keys, g().recvRc4, sink);
  if (o.bufferFull) {
    std::printf(" parsePacket pConnect->nBufAV_curPos > MAX_AV_BUF-----------------------\n");
    std::fflush(stdout);
  }
  if (o.closeSession) dropSession(s);
  return o.progress;
}

// Polls one session; true when it had data. Receive lock held.
bool serviceSession(DeviceSession& s) {
  if (s.hHandle < 0) return false;
  const int n = KV_GetP2PBufSizeUsed(s.hHandle, 1);
  if (n > 0) return parsePacket(s, n);
  if (n < 0) {
    if (n != KV_ERR_TIMEOUT) KV_DebugTrace(" ThreadRecv] KV_GetP2PBufSizeUsed(.)=%d\n", n);
    if (lostSessionCode(n)) dropSession(s);
  }
  return false;
}

// The next occupied slot from `from`, or -1. Main lock held.
int nextOccupied(int from) {
  const SessionTable& t = *g().table;
  for (int i = from; i < t.capacity(); ++i)
    if (t.slot(i).occupied) return i;
  return -1;
}

RecvThreadCounts counts;

// One pass visits every session once, in slot order. The thread sleeps only
// between passes, and only after a pass in which no session had data: a
// session with data is visited again after one pass over the others,
// however many of them have no handle or nothing to read.
void threadRecv() {
  pthread_setname_np(pthread_self(), "tessan recv");
  GlobalState& st = g();
  int index = 0;
  bool passHadData = false;
  while (st.recvRun) {
    bool passEnded = false;
    bool hadData = false;
    {
      std::lock_guard<std::recursive_mutex> recv(st.recvLock);
      DeviceSession* s = nullptr;
      {
        std::lock_guard<std::recursive_mutex> main(st.mainLock);
        const int i = st.table ? nextOccupied(index) : -1;
        if (i < 0) {
          passEnded = true;
          index = 0;
        } else {
          s = st.table->slot(i).value;
          index = i + 1;
        }
      }
      if (s) hadData = serviceSession(*s);
    }
    if (hadData) passHadData = true;
    if (!passEnded) continue;
    counts.passes.fetch_add(1, std::memory_order_relaxed);
    if (!passHadData) {
      counts.idleSleeps.fetch_add(1, std::memory_order_relaxed);
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    passHadData = false;
  }
}

}  // namespace

const RecvThreadCounts& recvThreadCounts() { return counts; }

void startRecvThread() {
  GlobalState& st = g();
  if (st.recvRun) return;  // a stopped thread was handed to stopRecvThread
  st.recvRun = true;
  try {
    st.recvThread = std::thread(threadRecv);
  } catch (const std::system_error&) {
    st.recvRun = false;
  }
}

void stopRecvThread() {
  GlobalState& st = g();
  // The flag and the handle change under the main lock, where
  // startRecvThread looks at them, so a racing APP_connect neither joins
  // the same thread nor starts a new one half-way through the stop. The
  // join itself runs without the lock: the thread takes it to pick.
  std::thread ending;
  {
    std::lock_guard<std::recursive_mutex> main(st.mainLock);
    st.recvRun = false;
    ending = std::move(st.recvThread);
  }
  if (ending.joinable()) ending.join();
}

}  // namespace tessan
