#include "channel/channel_reader.h"

#include <algorithm>
#include <cstdio>

#include "channel/drw_engine.h"

namespace vornet {
namespace channel {

namespace {

constexpr uint32_t kReadPassMs = 10;
constexpr uint32_t kHeaderRoundMs = 50;
// A framed pass that neither delivered nor failed: no whole header yet, or
// a message whose payload is still arriving (polled at the reader's pace).
constexpr int kNoHeader = 1;
constexpr int kPayloadDue = 2;

int stop_code(ReadStop stop) {
  switch (stop) {
    case ReadStop::ClosedByCaller:
      return -14;
    case ReadStop::Broken:
      return -20;
    case ReadStop::TimedOutInGap:
      return -13;
    case ReadStop::ClosedByPeerInGap:
      return -12;
    case ReadStop::None:
      break;
  }
  return 0;
}

}  // namespace

int ChannelReader::read(int channel, uint8_t* buf, int* len, uint32_t timeoutMs) {
  DiscardSink none;
  DrwEngine engine(s_, none);
  const int want = *len;
  int delivered = 0;
  {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    delivered = engine.takeHeld(channel, buf, want);
    delivered += engine.takeStaged(channel, buf + delivered, want - delivered);
  }
  if (delivered == want) return 0;

  const uint32_t start = clock_.now();
  const uint32_t wallLimit = (timeoutMs / 1000 + 1) * 1000;
  uint32_t budget = timeoutMs;
  int stop = 0;
  for (;;) {
    {
      std::lock_guard<std::recursive_mutex> lock(mutex_);
      stop = liveCheck_();
      if (stop != 0) break;
      delivered += engine.takeHeld(channel, buf + delivered, want - delivered);
      delivered += engine.takeInOrder(channel, buf + delivered, want - delivered);
      if (delivered == want) break;
      stop = stop_code(engine.checkAfterRead(channel, clock_.now()));
      if (stop != 0) break;
    }
    if (timeoutMs == 0 || budget < kReadPassMs) {
      stop = -3;
      break;
    }
    clock_.sleep(kReadPassMs);
    budget -= kReadPassMs;
    if (clock_.now() - start > wallLimit) {
      std::printf("Trouble!! sleep time is too long\n");
      stop = -3;
      break;
    }
  }
  *len = delivered;
  if (delivered > 0) return 0;
  return stop == 0 ? 0 : stop;
}

int ChannelReader::framedPass(int channel, uint8_t* buf, int* len, uint8_t* typeOut) {
  DiscardSink none;
  DrwEngine engine(s_, none);
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  const int gone = liveCheck_();
  if (gone != 0) return gone;
  if (s_.closedByCaller) return -14;
  if (s_.broken) return -20;
  // Messages that arrived whole before a time-out or the peer's close are
  // still delivered.
  const FramedPass pass = engine.framedPass(channel, buf, *len);
  switch (pass.result) {
    case FramedPass::Delivered:
      *len = pass.length;
      if (typeOut != nullptr) *typeOut = pass.type;
      return 0;
    case FramedPass::TooSmall:
      if (typeOut != nullptr) *typeOut = pass.type;
      return -23;
    case FramedPass::Broken:
      return -20;
    case FramedPass::Waiting:
      break;
  }
  const int stop = stop_code(engine.checkAfterRead(channel, clock_.now()));
  if (stop != 0) return stop;
  // Nothing more comes once the peer is gone.
  if (s_.timedOut) return -13;
  if (s_.closedByPeer) return -12;
  return s_.drw.channels[channel].held.open ? kPayloadDue : kNoHeader;
}

int ChannelReader::readFramed(int channel, uint8_t* buf, int* len, int64_t timeoutMs, uint8_t* typeOut) {
  if (typeOut != nullptr) *typeOut = 0;
  // The wait is whole header rounds, at least one: what a caller asking for
  // timeoutMs gets at most (plus one pass).
  const int64_t budget = std::max<int64_t>(timeoutMs / kHeaderRoundMs, 1) * kHeaderRoundMs;
  const uint32_t start = clock_.now();
  for (;;) {
    const int r = framedPass(channel, buf, len, typeOut);
    if (r != kNoHeader && r != kPayloadDue) {
      if (r != 0) *len = 0;
      return r;
    }
    const int64_t elapsed = static_cast<uint32_t>(clock_.now() - start);
    if (elapsed >= budget) break;
    const int64_t pause = r == kPayloadDue ? kReadPassMs : kHeaderRoundMs;
    clock_.sleep(static_cast<uint32_t>(std::min<int64_t>(pause, budget - elapsed)));
  }
  *len = 0;
  return -3;
}

}  // namespace channel
}  // namespace vornet
