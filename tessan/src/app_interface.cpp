// The library's life cycle and session calls: APP_init, APP_uninit,
// APP_connect, APP_disconnect and the small pass-through exports.
#include <Vornet.h>

#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "Tessan.h"
#include "connect_thread.h"
#include "device_session.h"
#include "global_state.h"
#include "lan_search.h"
#include "md5.h"
#include "recv_thread.h"
#include "session_close.h"
#include "status_report.h"

using namespace tessan;

namespace {

std::mutex& lifecycleLock() {
  static std::mutex m;
  return m;
}

std::vector<std::string> sessionNames() {
  std::vector<std::string> names;
  std::lock_guard<std::recursive_mutex> main(g().mainLock);
  const SessionTable& t = *g().table;
  for (int i = 0; i < t.capacity(); ++i)
    if (t.slot(i).occupied) names.emplace_back(t.slot(i).key);
  return names;
}

// Under the main lock: a new session, or a known one without a handle,
// gets its connect thread; a connected one is refused.
int connectLocked(const char* sn, const char* accessKey, int keyLen, const MSG_AUTH_REQ& auth,
                  uint32_t connectMode, const char* lanAddr) {
  GlobalState& st = g();
  startRecvThread();
  DeviceSession* s = lookupSession(sn);
  if (!s) {
    s = sessionCreate(sn, st.param);
    if (!s) return E_APP_ERR_NO_SESSION;
    sessionFill(*s, accessKey, keyLen, auth, connectMode, lanAddr);
    if (!st.table->insert(s->sn, s)) {
      sessionFree(s);
      return E_APP_ERR_NO_SESSION;
    }
    createConnThread(s);
    return 0;
  }
  if (s->hHandle >= 0) return E_APP_ERR_ALREADY_CONNECTED;
  if (s->closing) return 0;  // being closed on another thread
  // The connect thread reads these fields inside KV_Connect: refresh them
  // only when none runs.
  if (s->connectRunning) {
    KV_DebugTrace("ThreadConnect1 is running\n");
    return 0;
  }
  sessionFill(*s, accessKey, keyLen, auth, connectMode, lanAddr);
  createConnThread(s);
  return 0;
}

}  // namespace

extern "C" int APP_init(const APP_INIT_PARAM* pParam) {
  if (!pParam) return E_APP_ERR_INVALID_PARAM;
  std::lock_guard<std::mutex> life(lifecycleLock());
  GlobalState& st = g();
  if (st.initialised) return 0;
  {
    // Calls that raced a previous APP_uninit may still look at these.
    std::lock_guard<std::recursive_mutex> main(st.mainLock);
    st.param = *pParam;
    st.table = new SessionTable(256);
    st.msgBuf.assign(kMsgBufSize, 0);
  }
  KV_Initialize();
  {
    std::lock_guard<std::recursive_mutex> big(st.bigBufLock);
    st.bigBuf.assign(kBigBufSize, 0);
  }
  lan_search_setup();
  st.initialised = true;
  return 0;
}

extern "C" void APP_uninit(void) {
  std::lock_guard<std::mutex> life(lifecycleLock());
  GlobalState& st = g();
  if (!st.initialised) return;
  st.initialised = false;
  stopRecvThread();
  // Each session is closed the normal way, so no record is freed under a
  // connect thread that still runs.
  for (const std::string& sn : sessionNames()) closeSession(sn.c_str());
  {
    std::lock_guard<std::recursive_mutex> main(st.mainLock);
    delete st.table;
    st.table = nullptr;
  }
  KV_DeInitialize();
  {
    std::lock_guard<std::recursive_mutex> big(st.bigBufLock);
    std::vector<uint8_t>().swap(st.bigBuf);
  }
  {
    std::lock_guard<std::recursive_mutex> main(st.mainLock);
    std::vector<uint8_t>().swap(st.msgBuf);
  }
  lan_search_teardown();
  std::lock_guard<std::recursive_mutex> main(st.mainLock);
  st.param = APP_INIT_PARAM{};
}

extern "C" int APP_getAPIVersion(void) {
  std::printf("Vornet v%08X \n", unsigned(KV_GetAPIVersion()));
  std::fflush(stdout);
  return TESSAN_API_VERSION;
}

extern "C" int APP_setServInfo(const char* sn, const char* servList) {
  if (!g().initialised) return E_APP_ERR_NOT_INIT;
  return KV_SetServInfo(sn, servList);
}

extern "C" int APP_connect(const char* sn, const char* accessKey, int keyLen, const MSG_AUTH_REQ* pAuth,
                           uint32_t connectMode, const char* lanAddr) {
  if (!g().initialised) return E_APP_ERR_NOT_INIT;
  // A serial longer than the record's 19 characters is refused, not cut
  // (two cut ids could meet in one session).
  if (!sn || !pAuth || keyLen > 256 || keyLen < 0 || std::strlen(sn) >= sizeof(DeviceSession::sn))
    return E_APP_ERR_INVALID_PARAM;
  int nRet;
  {
    std::lock_guard<std::recursive_mutex> main(g().mainLock);
    // Checked again under the lock: an APP_uninit that began meanwhile
    // must not see a new session or a restarted receive thread.
    nRet = g().initialised && g().table ? connectLocked(sn, accessKey, keyLen, *pAuth, connectMode, lanAddr)
                                        : E_APP_ERR_NOT_INIT;
  }
  KV_DebugTrace("APP_connect] %s nRet=%d\n", sn, nRet);
  return nRet;
}

extern "C" int APP_disconnect(const char* sn) {
  if (!g().initialised) return E_APP_ERR_NOT_INIT;
  if (!sn) return E_APP_ERR_INVALID_PARAM;
  if (closeSession(sn) < 0) return 0;
  APP_INIT_PARAM param;
  {
    std::lock_guard<std::recursive_mutex> main(g().mainLock);
    param = g().param;
  }
  reportStatusTo(param, sn, E_CONN_STATUS_DISCONNECTED, 0);
  return 0;
}

extern "C" int UTI_md5(const void* data, int len, uint8_t out[16]) {
  if (!data || !out || len < 0) return -1;
  md5(data, size_t(len), out);
  return 0;
}

extern "C" int testStart(const char* pServArea) { return KV_testStart(pServArea); }

extern "C" int testStop(void) { return KV_testStop(); }
