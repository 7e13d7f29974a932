#include "connect_thread.h"

#include <Vornet.h>
#include <arpa/inet.h>
#include <pthread.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>

#include "device_session.h"
#include "global_state.h"
#include "send_path.h"
#include "status_report.h"

namespace tessan {
namespace {

constexpr std::chrono::milliseconds kStartWait{100};

void threadConnect1(DeviceSession* s) {
  pthread_setname_np(pthread_self(), "tessan connect");
  {
    std::lock_guard<std::recursive_mutex> hold(s->lock);
    {
      std::lock_guard<std::mutex> start(s->startMutex);
      s->connectStarted = true;
    }
    s->startCv.notify_all();
    KV_DebugTrace("---- APP] ThreadConnect1 is going....\n");
    if (g().recvRun && s->hHandle < 0 && !s->closing) {
      reportStatus(s->sn, E_CONN_STATUS_CONNECTING, 0);
      // A close that began before the transport claimed its slot would lose
      // its break: look at the closing flag right before connecting.
      const int r = s->closing ? KV_ERR_CONNECT_BROKEN : KV_Connect(s->sn, 0, 15, s->connectMode, s->lanAddr);
      if (r < 0) {
        KV_DebugTrace(" APP] hHandle<0 KV_Connect(%s)=%d accessKey=%.*s lan=%s\n", s->sn, r, s->keyLen,
                      reinterpret_cast<const char*>(s->accessKey), s->lanAddr);
        reportStatus(s->sn, r == KV_ERR_DEVICE_NOT_ONLINE ? E_CONN_STATUS_OFFLINE : E_CONN_STATUS_CONNECT_FAILED,
                     s->nLinkMode);
      } else {
        s->hHandle = r;
        KV_SessionInfo info{};
        KV_CheckSessionInfo(r, &info);
        s->nLinkMode = info.linkMode ? 2 : 1;
        char addr[INET_ADDRSTRLEN] = "";
        inet_ntop(AF_INET, &info.remote.sin_addr, addr, sizeof addr);
        KV_DebugTrace(" APP] KV_Connect(%s)=%d skt=%d %s:%d  accessKey=%.*s lan=%s\n", s->sn, r, info.socket, addr,
                      ntohs(info.remote.sin_port), s->keyLen, reinterpret_cast<const char*>(s->accessKey),
                      s->lanAddr);
        if (s->authenticated())
          sendAuthToken(s->sn);
        else
          reportStatus(s->sn, E_CONN_STATUS_ONLINE, s->nLinkMode);
      }
    }
    KV_DebugTrace("==== APP] ThreadConnect1 exited\n");
  }
  s->connectRunning = false;
}

}  // namespace

void createConnThread(DeviceSession* s) {
  if (s->connectRunning) {
    KV_DebugTrace("ThreadConnect1 is running\n");
    return;
  }
  if (s->connectThread.joinable()) s->connectThread.join();  // the last run has ended
  s->connectRunning = true;
  s->connectStarted = false;
  try {
    s->connectThread = std::thread(threadConnect1, s);
  } catch (const std::system_error& e) {
    s->connectRunning = false;
    KV_DebugTrace("failed to ThreadConnect1. nRet=%d\n", e.code().value());
    return;
  }
  // The caller (the client's GUI thread, for every camera it lists) waits
  // only until the thread has started, woken by it. The trace's ii is 0
  // when it started within the wait, 10 when it did not.
  std::unique_lock<std::mutex> start(s->startMutex);
  const bool started = s->startCv.wait_for(start, kStartWait, [s] { return s->connectStarted.load(); });
  KV_DebugTrace("createConnThread. ii=%d sn=%s\n", started ? 0 : 10, s->sn);
}

}  // namespace tessan
