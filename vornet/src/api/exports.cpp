// The exported KV_ functions of the session side (the channel calls live
// with the channels).
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

#include "Vornet.h"
#include "core/library_state.h"
#include "directory/server_directory.h"
#include "session/session_info.h"
#include "session/session_table.h"
#include "session/sessions.h"

namespace {
char g_logPath[256];
std::mutex g_logPathMutex;
}  // namespace

extern "C" {

int KV_GetAPIVersion(void) { return static_cast<int>(KV_API_VERSION); }

int KV_Initialize(void) { return vornet::global_init(); }

int KV_DeInitialize(void) { return vornet::global_deinit(); }

int KV_Listen(const char* id, uint16_t detectPort, uint32_t timeoutAndFlags) {
  if (id == nullptr) return KV_ERR_INVALID_PARAMETER;
  return vornet::ZORP_Listen_Do(id, detectPort, timeoutAndFlags);
}

int KV_Connect(const char* id, uint16_t localPort, int reserved, uint32_t flags, const char* lanAddr) {
  (void)reserved;
  return vornet::connect_prepare(id, localPort, flags, lanAddr);
}

int KV_CheckSessionInfo(int session, KV_SessionInfo* out) {
  if (out == nullptr) return KV_ERR_INVALID_PARAMETER;
  return vornet::get_session_info(session, out);
}

int KV_Close(int session) {
  if (session < 0) return 0;
  return vornet::close_request(session);
}

int KV_SetServInfo(const char* id, const char* serverList) {
  if (id == nullptr || serverList == nullptr) return KV_ERR_INVALID_PARAMETER;
  // The whole list is wrapped, however long: a fixed buffer would cut off
  // its closing ";".
  const std::string wrapped = std::string("p=") + serverList + ";";
  return vornet::set_server_info(id, wrapped.c_str());
}

int KV_Connect_Break_By(const char* id) {
  if (id == nullptr) return KV_ERR_INVALID_PARAMETER;
  return vornet::connect_break_by(id);
}

void KV_DebugTrace(const char* fmt, ...) { (void)fmt; }

void KV_ListenBreak(void) {
  vornet::LibraryState& l = vornet::lib();
  if (!l.initialized.load()) return;
  l.listenBreak = true;
  l.listenCountdown = 0;
}

void KV_SetLogPath(const char* path) {
  if (path == nullptr) return;
  std::lock_guard<std::mutex> lock(g_logPathMutex);
  std::memset(g_logPath, 0, sizeof(g_logPath));
  std::strncpy(g_logPath, path, sizeof(g_logPath) - 1);
}

int KV_testStart(const char* pServArea) {
  return std::printf("1 zorp_testStart, pServArea=%s \n", pServArea != nullptr ? pServArea : "(null)");
}

int KV_testStop(void) {
  vornet::global_deinit();
  return 0;
}

}  // extern "C"
