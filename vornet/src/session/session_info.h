// KV_CheckSessionInfo and KV_Connect_Break_By bodies.
#pragma once

#include "Vornet.h"

namespace vornet {

// The per-session checks shared by the info call: 0, or -1 -11 -14 -20 -13 -12.
int session_check(int index);
// Fills `out` (never null): 0, or a session error with the fields written from zeros.
int get_session_info(int index, KV_SessionInfo* out);
// 0 when the id has a server record, -24 when not, -1 before initialisation.
int connect_break_by(const char* id);

}  // namespace vornet
