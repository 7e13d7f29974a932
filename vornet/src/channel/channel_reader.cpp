#include "channel/channel_reader.h"

#include <algorithm>
#include <cstdio>

#include "channel/drw_engine.h"

namespace vornet {
namespace channel {

namespace {

constexpr uint32_t kReadPassMs = 10;
constexpr uint32_t kHeaderRoundMs = 50;
constexpr uint32_t kPayloadStepMs = 100;
constexpr uint32_t kPayloadPauseMs = 50;
constexpr int kHeaderBytes = 4;

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
    delivered = engine.takeStaged(channel, buf, want);
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

int ChannelReader::waitForHeader(int channel, uint8_t header[4], int64_t timeoutMs) {
  DiscardSink none;
  DrwEngine engine(s_, none);
  const int64_t rounds = std::max<int64_t>(timeoutMs / kHeaderRoundMs, 1);
  for (int64_t round = 0; round < rounds; ++round) {
    {
      std::lock_guard<std::recursive_mutex> lock(mutex_);
      const int gone = liveCheck_();
      if (gone != 0) return gone;
      if (s_.closedByCaller) return -14;
      if (s_.broken) return -20;
      // Messages that arrived whole before a time-out or the peer's close
      // are still delivered.
      if (engine.inOrderBytes(channel) >= kHeaderBytes) {
        engine.takeInOrder(channel, header, kHeaderBytes);
        return 0;
      }
      if (s_.timedOut) return -13;
      if (s_.closedByPeer) return -12;
    }
    clock_.sleep(kHeaderRoundMs);
  }
  return -3;
}

int ChannelReader::readPayload(int channel, uint8_t* buf, int length) {
  int got = 0;
  while (got < length) {
    int n = length - got;
    const int r = read(channel, buf + got, &n, kPayloadStepMs);
    if (r == 0) {
      got += n;
      continue;
    }
    if (r != -3) return r;
    // Nothing more can come once the peer is gone.
    {
      std::lock_guard<std::recursive_mutex> lock(mutex_);
      DiscardSink none;
      DrwEngine engine(s_, none);
      if (engine.inOrderBytes(channel) == 0) {
        if (s_.timedOut) return -13;
        if (s_.closedByPeer) return -12;
      }
    }
    clock_.sleep(kPayloadPauseMs);
  }
  return 0;
}

int ChannelReader::readFramed(int channel, uint8_t* buf, int* len, int64_t timeoutMs, uint8_t* typeOut) {
  if (typeOut != nullptr) *typeOut = 0;
  uint8_t header[kHeaderBytes];
  const int waited = waitForHeader(channel, header, timeoutMs);
  if (waited != 0) {
    *len = 0;
    return waited;
  }
  if (typeOut != nullptr) *typeOut = header[3];
  const int length = header[0] | (header[1] << 8) | (header[2] << 16);
  if (length > *len) {
    *len = 0;
    return -23;
  }
  if (length == 0) {
    *len = 0;
    return 0;
  }
  const int r = readPayload(channel, buf, length);
  if (r != 0) {
    *len = 0;
    return r;
  }
  *len = length;
  return 0;
}

}  // namespace channel
}  // namespace vornet
