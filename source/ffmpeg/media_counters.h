// What one camera's media session counts, for tests and the live
// benchmark: the intake (device-link thread), the four workers and the
// display tick (GUI thread) each add to their own counters. Every counter
// is an atomic of its own: read at any time from any thread, no lock.
#pragma once

#include <atomic>
#include <cstdint>

struct MediaCounters {
  std::atomic<uint64_t> videoPacketsQueued{0};
  std::atomic<uint64_t> videoPacketsDropped{0};  // gate closed or backlog flushed
  std::atomic<uint64_t> videoDecoded{0};
  std::atomic<uint64_t> videoDecodeFailed{0};
  std::atomic<uint64_t> videoDecodeCpuUs{0};     // CPU time of the video decode thread
  std::atomic<uint64_t> picturesDropped{0};      // far behind the newest (display_backlog.h)
  std::atomic<uint64_t> picturesSkipped{0};      // a newer one was due at the same tick (display_pacer.h)
  std::atomic<uint64_t> picturesPresented{0};
  std::atomic<uint64_t> picturesStale{0};        // decoded for an earlier play
  std::atomic<uint64_t> audioPacketsQueued{0};
  std::atomic<uint64_t> audioDecoded{0};
  std::atomic<uint64_t> audioDecodeFailed{0};
  std::atomic<uint64_t> audioPiecesPlayed{0};
  std::atomic<uint64_t> audioOutOfStep{0};       // decoded sound dropped as too far from the picture
  std::atomic<uint64_t> recordVideoWritten{0};
  std::atomic<uint64_t> recordAudioWritten{0};
};
