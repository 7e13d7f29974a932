// exit_probe: a process that uses the libraries the way the client does and
// then ends without APP_uninit or KV_DeInitialize, while their threads still
// run. It prints "ready" once the case's state is reached, then returns
// from main or calls exit() with status 0. Anything else (an abort, a
// hang) is a fault of the libraries' state at process exit.
//
// Usage: exit_probe CASE ID return|exit
//   connect      APP_connect to ID with no device there (connect thread busy)
//   stream       APP_connect to the camera ID, video started, frames arriving
//   disconnect   the same, then APP_disconnect (the receive thread runs on)
//   vornet       KV_Connect to the device ID, session linked and open
//   lan-search   APP_LANSearchStart, search running
// Reports "failed <what> <code>" and exits with 1 when the case cannot be
// set up within 20 s. Runs only inside a private network namespace.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <thread>

#include "Tessan.h"
#include "Vornet.h"
#include "private_netns.h"
#include "tessan_lan_search.h"

namespace {

// Only atomics: the callbacks keep running while the process ends.
std::atomic<int> lastStatus{0};
std::atomic<int> avFrames{0};

int onMessage(const HCHAR*, HUINT32 type, HCHAR* data, HUINT32 len, HCHAR*, HINT32, void*) {
  if (type == E_MSG_CONN_STATUS && len >= 4) {
    int32_t status;
    std::memcpy(&status, data, sizeof status);
    lastStatus = status;
  }
  return 0;
}

int onAv(const HCHAR*, HCHAR*, HUINT32, void*, HUCHAR) {
  ++avFrames;
  return 0;
}

void onLanDevice(LAN_DEVICE_INFO*, int, void*) {}

void say(const std::string& line) {
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

// Polls `done` every 10 ms for at most 20 s.
bool waitUntil(const std::function<bool()>& done) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

int failed(const std::string& what, int code) {
  say("failed " + what + " " + std::to_string(code));
  return 1;
}

int connectDevice(const char* id) {
  APP_INIT_PARAM p{};
  p.pfnRecvMsg = onMessage;
  p.pfnRecvAV = onAv;
  if (const int r = APP_init(&p)) return failed("APP_init", r);
  if (const int r = APP_setServInfo(id, "")) return failed("APP_setServInfo", r);
  MSG_AUTH_REQ token{};
  const char key[] = "exit-probe-key";
  if (const int r = APP_connect(id, key, int(sizeof key - 1), &token, KV_CONNECT_LAN, "127.0.0.1"))
    return failed("APP_connect", r);
  return 0;
}

int runCase(const std::string& name, const char* id) {
  if (name == "connect") {
    if (const int r = connectDevice(id)) return r;
    if (!waitUntil([] { return lastStatus == E_CONN_STATUS_CONNECTING; })) return failed("status", lastStatus);
    return 0;
  }
  if (name == "stream" || name == "disconnect") {
    if (const int r = connectDevice(id)) return r;
    if (!waitUntil([] { return lastStatus == E_CONN_STATUS_ONLINE; })) return failed("status", lastStatus);
    const int sent = APP_send(id, nullptr, E_MSG_VIDEO_START_REQ, nullptr, 0, E_FRAME_TYPE_HH);
    if (sent < 0) return failed("APP_send", sent);
    if (!waitUntil([] { return avFrames >= 5; })) return failed("frames", avFrames);
    if (name == "disconnect") {
      if (const int r = APP_disconnect(id)) return failed("APP_disconnect", r);
    }
    return 0;
  }
  if (name == "vornet") {
    KV_Initialize();
    if (const int r = KV_SetServInfo(id, "")) return failed("KV_SetServInfo", r);
    const int h = KV_Connect(id, 0, 15, KV_CONNECT_LAN, "127.0.0.1");
    if (h < 0) return failed("KV_Connect", h);
    const char hello[] = "still open at exit";
    if (const int r = KV_SendWithChannel(h, 1, hello, int(sizeof hello)); r < 0) return failed("send", r);
    return 0;
  }
  if (name == "lan-search") {
    const APP_INIT_PARAM p{};
    if (const int r = APP_init(&p)) return failed("APP_init", r);
    if (const int r = APP_LANSearchStart(onLanDevice, nullptr)) return failed("APP_LANSearchStart", r);
    return 0;
  }
  return failed("case " + name, 2);
}

}  // namespace

int main(int argc, char** argv) {
  netns::requirePrivateNamespaceOrExit(argv[0]);
  if (argc != 4 || (std::strcmp(argv[3], "return") != 0 && std::strcmp(argv[3], "exit") != 0)) {
    std::fprintf(stderr, "usage: %s CASE ID return|exit\n", argv[0]);
    return 2;
  }
  const int r = runCase(argv[1], argv[2]);
  if (r != 0) return r;
  say("ready");
  if (std::strcmp(argv[3], "exit") == 0) std::exit(0);
  return 0;
}
