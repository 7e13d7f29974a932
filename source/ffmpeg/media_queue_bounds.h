// How much a camera's media queues hold at most, for the producers that
// fill them (the A/V callback's intake, the decode threads):
//   decoded pictures and undecoded video packets: about one second each
//     (beyond it the packet backlog is flushed up to the next key frame: a
//     live view is never seconds behind the camera; a key frame that comes
//     while more than a quarter of it waits flushes what waits before it);
//   audio queues: kMaxAudioNodes, the oldest dropped beyond it.
// The record queues lose nothing: beyond their bound (RecordFeed) the
// recording fails and says so.
#pragma once

#include <cstddef>

// About one second of pictures; a stream announcing no rate counts as 25.
inline size_t maxDecodedPictures(int fps) {
  if (fps <= 0) return 25;
  return size_t(fps > 120 ? 120 : fps);
}
inline size_t maxVideoPackets(int fps) { return maxDecodedPictures(fps); }

constexpr size_t kMaxAudioNodes = 64;
