// The per-session connect thread: opens the transport session, learns the
// link mode and either reports the camera online or sends the token.
#pragma once

namespace tessan {

struct DeviceSession;

// Starts the session's connect thread unless one runs; waits at most about
// 100 ms until it has taken the session lock. Caller holds the main lock.
void createConnThread(DeviceSession* s);

}  // namespace tessan
