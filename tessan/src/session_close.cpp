#include "session_close.h"

#include <Vornet.h>

#include <chrono>
#include <mutex>
#include <thread>

#include "device_session.h"
#include "global_state.h"

namespace tessan {

int closeSession(const char* sn) {
  GlobalState& st = g();
  std::lock_guard<std::recursive_mutex> recv(st.recvLock);
  DeviceSession* s;
  {
    std::lock_guard<std::recursive_mutex> main(st.mainLock);
    s = lookupSession(sn);
    if (!s) return -1;
    s->closing = true;  // no new connect thread starts from here on
  }
  // A break issued before the transport has claimed the connect's slot is
  // lost, so it is repeated until the connect thread has ended.
  KV_Connect_Break_By(s->sn);
  while (s->connectRunning) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    KV_Connect_Break_By(s->sn);
  }
  { std::lock_guard<std::recursive_mutex> wait(s->lock); }
  if (s->connectThread.joinable()) s->connectThread.join();

  int handle;
  {
    std::lock_guard<std::recursive_mutex> main(st.mainLock);
    handle = s->hHandle;
    if (handle >= 0) KV_Close(handle);
    s->hHandle = -1;
    st.table->remove(s->sn);
  }
  sessionFree(s);
  return handle;
}

}  // namespace tessan
