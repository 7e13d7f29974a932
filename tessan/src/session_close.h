// Closing a session: break a pending connect, wait for the connect thread,
// close the transport session and free the record.
#pragma once

namespace tessan {

// Returns the transport handle the session held (-1 when none or no session).
// Takes the receive lock, so the receive thread is never inside the session.
int closeSession(const char* sn);

}  // namespace tessan
