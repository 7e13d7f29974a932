#include "fake_kv.h"

#include <Vornet.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <thread>

namespace fakekv {
namespace {

struct ConnectBlock {
  int claimDelayMs = 0;
  int maxWaitMs = 0;
};

struct State {
  std::mutex m;
  std::condition_variable cv;
  std::map<std::string, std::deque<int>> connectScript;
  std::map<std::string, ConnectBlock> blocks;
  std::map<std::string, bool> claimed;  // a KV_Connect past its claim
  std::map<std::string, bool> broken;
  std::map<std::string, int> connects, breaks;
  std::map<std::string, int> brokenConnects;  // blocked connects a break ended
  std::map<std::string, int> givingUp;        // blocked connects to end as timed out
  std::map<int, std::deque<uint8_t>> pipes;
  std::map<int, int> chunk, pollError;
  std::map<int, uint8_t> linkMode;
  std::vector<Sent> sent;
  std::vector<int> closed;
  int sendResult = 0;
  std::string lanAddr;
  uint32_t flags = 0;
  ChannelCall channelCall{};
  std::vector<std::string> traces;
};

State& st() {
  static State s;
  return s;
}

}  // namespace

void reset() {
  State& s = st();
  std::lock_guard<std::mutex> l(s.m);
  s.connectScript.clear();
  s.blocks.clear();
  s.claimed.clear();
  s.broken.clear();
  s.connects.clear();
  s.breaks.clear();
  s.brokenConnects.clear();
  s.givingUp.clear();
  s.pipes.clear();
  s.chunk.clear();
  s.pollError.clear();
  s.linkMode.clear();
  s.sent.clear();
  s.closed.clear();
  s.sendResult = 0;
  s.lanAddr.clear();
  s.flags = 0;
  s.channelCall = ChannelCall{};
  s.traces.clear();
}

void scriptConnect(const std::string& sn, int result) {
  std::lock_guard<std::mutex> l(st().m);
  st().connectScript[sn].push_back(result);
}

void blockConnect(const std::string& sn, int claimDelayMs, int maxWaitMs) {
  std::lock_guard<std::mutex> l(st().m);
  st().blocks[sn] = ConnectBlock{claimDelayMs, maxWaitMs};
}

void setLinkMode(int handle, uint8_t relayed) {
  std::lock_guard<std::mutex> l(st().m);
  st().linkMode[handle] = relayed;
}

void push(int handle, const void* data, size_t len) {
  std::lock_guard<std::mutex> l(st().m);
  const uint8_t* p = static_cast<const uint8_t*>(data);
  st().pipes[handle].insert(st().pipes[handle].end(), p, p + len);
}

void push(int handle, const std::vector<uint8_t>& bytes) { push(handle, bytes.data(), bytes.size()); }

void setReadChunk(int handle, int chunk) {
  std::lock_guard<std::mutex> l(st().m);
  st().chunk[handle] = chunk;
}

void setPollError(int handle, int code) {
  std::lock_guard<std::mutex> l(st().m);
  st().pollError[handle] = code;
}

void setSendResult(int result) {
  std::lock_guard<std::mutex> l(st().m);
  st().sendResult = result;
}

std::vector<Sent> sent() {
  std::lock_guard<std::mutex> l(st().m);
  return st().sent;
}

std::vector<int> closed() {
  std::lock_guard<std::mutex> l(st().m);
  return st().closed;
}

int connectCalls(const std::string& sn) {
  std::lock_guard<std::mutex> l(st().m);
  return st().connects[sn];
}

int breakCalls(const std::string& sn) {
  std::lock_guard<std::mutex> l(st().m);
  return st().breaks[sn];
}

int brokenConnects(const std::string& sn) {
  std::lock_guard<std::mutex> l(st().m);
  return st().brokenConnects[sn];
}

bool awaitClaimed(const std::string& sn, int timeoutMs) {
  State& s = st();
  std::unique_lock<std::mutex> l(s.m);
  return s.cv.wait_for(l, std::chrono::milliseconds(timeoutMs), [&] { return s.claimed[sn]; });
}

void giveUpBlockedConnect(const std::string& sn) {
  State& s = st();
  std::lock_guard<std::mutex> l(s.m);
  ++s.givingUp[sn];
  s.cv.notify_all();
}

int bytesWaiting(int handle) {
  std::lock_guard<std::mutex> l(st().m);
  return int(st().pipes[handle].size());
}

std::string lastConnectLanAddr() {
  std::lock_guard<std::mutex> l(st().m);
  return st().lanAddr;
}

std::vector<std::string> traces() {
  std::lock_guard<std::mutex> l(st().m);
  return st().traces;
}

uint32_t lastConnectFlags() {
  std::lock_guard<std::mutex> l(st().m);
  return st().flags;
}

ChannelCall lastChannelCall() {
  std::lock_guard<std::mutex> l(st().m);
  return st().channelCall;
}

namespace {

int recordSend(int handle, int channel, const void* data, int len, int type) {
  State& s = st();
  std::lock_guard<std::mutex> l(s.m);
  const uint8_t* p = static_cast<const uint8_t*>(data);
  s.sent.push_back(Sent{handle, channel, std::vector<uint8_t>(p, p + (len > 0 ? len : 0)), type});
  return s.sendResult ? s.sendResult : len;
}

}  // namespace

}  // namespace fakekv

using fakekv::st;

extern "C" {

int KV_GetAPIVersion(void) { return int(KV_API_VERSION); }
int KV_Initialize(void) { return 0; }
int KV_DeInitialize(void) { return 0; }
int KV_SetServInfo(const char* id, const char* serverList) { return id && serverList ? 0 : KV_ERR_INVALID_PARAMETER; }
void KV_DebugTrace(const char* fmt, ...) {
  char line[512];
  va_list args;
  va_start(args, fmt);
  std::vsnprintf(line, sizeof line, fmt, args);
  va_end(args);
  std::lock_guard<std::mutex> l(st().m);
  st().traces.emplace_back(line);
}
int KV_testStart(const char* pServArea) { return pServArea ? int(std::strlen(pServArea)) : 0; }
int KV_testStop(void) { return 0; }

int KV_Connect(const char* id, uint16_t, int, uint32_t flags, const char* lanAddr) {
  auto& s = st();
  std::unique_lock<std::mutex> l(s.m);
  const std::string sn = id;
  ++s.connects[sn];
  s.lanAddr = lanAddr ? lanAddr : "";
  s.flags = flags;
  auto block = s.blocks.find(sn);
  if (block != s.blocks.end()) {
    const fakekv::ConnectBlock b = block->second;
    l.unlock();
    std::this_thread::sleep_for(std::chrono::milliseconds(b.claimDelayMs));
    l.lock();
    s.claimed[sn] = true;
    s.broken[sn] = false;
    s.cv.notify_all();  // claimed
    s.cv.wait_for(l, std::chrono::milliseconds(b.maxWaitMs), [&] { return s.broken[sn] || s.givingUp[sn] > 0; });
    s.claimed[sn] = false;
    if (s.broken[sn]) {
      ++s.brokenConnects[sn];
      return KV_ERR_CONNECT_BROKEN;
    }
    if (s.givingUp[sn] > 0) --s.givingUp[sn];
    return KV_ERR_TIMEOUT;
  }
  auto& script = s.connectScript[sn];
  if (script.empty()) return 5;
  const int r = script.front();
  script.pop_front();
  return r;
}

int KV_Connect_Break_By(const char* id) {
  auto& s = st();
  std::lock_guard<std::mutex> l(s.m);
  const std::string sn = id;
  ++s.breaks[sn];
  if (s.claimed[sn]) {
    s.broken[sn] = true;
    s.cv.notify_all();
  }
  return 0;
}

int KV_CheckSessionInfo(int session, KV_SessionInfo* out) {
  if (!out) return KV_ERR_INVALID_PARAMETER;
  std::lock_guard<std::mutex> l(st().m);
  out->socket = 100 + session;
  out->linkMode = st().linkMode[session];
  return 0;
}

int KV_Send(int session, const void* data, int len, uint8_t type) {
  return fakekv::recordSend(session, 0, data, len, type);
}

int KV_SendWithChannel(int session, uint8_t channel, const void* data, int len) {
  return fakekv::recordSend(session, channel, data, len, -1);
}

int KV_GetP2PBufSizeUsed(int session, int) {
  std::lock_guard<std::mutex> l(st().m);
  auto e = st().pollError.find(session);
  if (e != st().pollError.end()) return e->second;
  return int(st().pipes[session].size());
}

int KV_Recv2(int session, void* buf, int* len, int) {
  if (!buf || !len || *len <= 0) return KV_ERR_INVALID_PARAMETER;
  std::lock_guard<std::mutex> l(st().m);
  auto& pipe = st().pipes[session];
  if (pipe.empty()) return KV_ERR_TIMEOUT;
  int n = std::min<int>(*len, int(pipe.size()));
  const int chunk = st().chunk[session];
  if (chunk > 0) n = std::min(n, chunk);
  std::copy(pipe.begin(), pipe.begin() + n, static_cast<uint8_t*>(buf));
  pipe.erase(pipe.begin(), pipe.begin() + n);
  *len = n;
  return 0;
}

int KV_Close(int session) {
  std::lock_guard<std::mutex> l(st().m);
  st().closed.push_back(session);
  return 0;
}

int KV_GetP2PBufSizeUsedWithChannel(int session, uint8_t channel, int readSide) {
  std::lock_guard<std::mutex> l(st().m);
  st().channelCall = fakekv::ChannelCall{"size", session, channel, readSide, 0, false};
  return 77;
}

int KV_RecvWithChannel(int session, uint8_t channel, void* buf, int* len, int timeoutMs, uint8_t* typeOut) {
  std::lock_guard<std::mutex> l(st().m);
  st().channelCall = fakekv::ChannelCall{"recv", session, channel, len ? *len : -1, timeoutMs, typeOut != nullptr};
  if (buf && len && *len > 0) static_cast<uint8_t*>(buf)[0] = 0x5A;
  if (typeOut) *typeOut = 9;
  return 0;
}

}  // extern "C"
