// Life of a slot of the session table: claim, release, close, teardown.
#pragma once

#include "session/session.h"

namespace vornet {

struct ZORP_ServerRecord;

// Under the main mutex: the first free slot from (last claimed + 1) mod 128
// becomes "being claimed" (socket -2), its record is cleared and prefix and
// id copied; `backlink`, when given, points at it.  The index, or -17.
int claim_slot(const char* prefix, const char* id, ZORP_ServerRecord* backlink);

// After a failed listen or connect: record cleared, slot free.
void release_slot(int index);

// KV_Close's body: 0, or -1 not initialised, -11 bad handle, a slot that is
// not linked, or one whose close has already begun.
int close_request(int index);

// Teardown of a linked slot whose close this caller owns: drain (bounded),
// close message, data threads joined, lists freed, socket closed, slot free.
// `callerClose` tells a KV_Close (drwStop set at once) from the
// de-initialise drain.
void ZORP_Close(int index, bool callerClose);

// De-initialise: closes every linked slot.
void close_all_linked();

}  // namespace vornet
