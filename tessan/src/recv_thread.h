// The single receive thread: polls channel 0 of every session, cuts frames
// and calls the client's callbacks.
#pragma once

namespace tessan {

// Starts the thread unless it runs. Caller holds the main lock.
void startRecvThread();

// Clears the run flag and waits until the thread has ended. Caller does
// not hold the main lock.
void stopRecvThread();

}  // namespace tessan
