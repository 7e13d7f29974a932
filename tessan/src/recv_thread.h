// The single receive thread: polls channel 0 of every session, cuts frames
// and calls the client's callbacks.
#pragma once

#include <atomic>
#include <cstdint>

namespace tessan {

// Starts the thread unless it runs. Caller holds the main lock.
void startRecvThread();

// Clears the run flag and waits until the thread has ended. Caller does
// not hold the main lock.
void stopRecvThread();

// What the thread has done since the process began, for tests: whole
// passes over the session table, and the idle sleeps it took after passes
// in which no session had data.
struct RecvThreadCounts {
  std::atomic<uint64_t> passes{0};
  std::atomic<uint64_t> idleSleeps{0};
};
const RecvThreadCounts& recvThreadCounts();

}  // namespace tessan
