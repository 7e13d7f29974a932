// A scripted stand-in for the transport, linked with tessan_core in unit
// tests: byte pipes per session handle, scripted connect results and poll
// codes, and a record of everything sent.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace fakekv {

struct Sent {
  int handle;
  int channel;  // 0 for KV_Send
  std::vector<uint8_t> data;
  int type;  // KV_Send's type; -1 for channel sends
};

// Back to a clean transport: no scripts, no bytes, no records.
void reset();

// Result of the next KV_Connect for `sn` (a handle >= 0 or an error code);
// without a script KV_Connect returns 5.
void scriptConnect(const std::string& sn, int result);

// KV_Connect for `sn` first waits `claimDelayMs` (a break in that time is
// lost, as with the real transport before it has claimed a slot), then
// blocks until broken (-19) or `maxWaitMs` passed (-3).
void blockConnect(const std::string& sn, int claimDelayMs, int maxWaitMs);
// Waits (bounded) until a blocked KV_Connect for `sn` has claimed its slot.
bool awaitClaimed(const std::string& sn, int timeoutMs);
// The next blocked KV_Connect for `sn` (the one waiting now, or the next
// one to block) gives up as timed out (-3), whatever its maxWaitMs.
void giveUpBlockedConnect(const std::string& sn);
// Blocked KV_Connect calls for `sn` that a break ended.
int brokenConnects(const std::string& sn);

void setLinkMode(int handle, uint8_t relayed);

// Bytes that arrive on channel 0 of `handle`.
void push(int handle, const void* data, size_t len);
void push(int handle, const std::vector<uint8_t>& bytes);

// At most this many bytes per KV_Recv2 (0 = unlimited).
void setReadChunk(int handle, int chunk);

// KV_GetP2PBufSizeUsed answers `code` for `handle` from now on.
void setPollError(int handle, int code);

// Result KV_Send / KV_SendWithChannel give (0 = the length, as the transport does).
void setSendResult(int result);

std::vector<Sent> sent();
std::vector<int> closed();
int connectCalls(const std::string& sn);
int breakCalls(const std::string& sn);
int bytesWaiting(int handle);
std::string lastConnectLanAddr();
// Every line the library traced (KV_DebugTrace), formatted, in order.
std::vector<std::string> traces();
uint32_t lastConnectFlags();

// Arguments of the last channel-1 receive call.
struct ChannelCall {
  std::string fn;
  int handle, channel, len, timeoutMs;
  bool typePtr;
};
ChannelCall lastChannelCall();

}  // namespace fakekv
