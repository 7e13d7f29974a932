// The real program as the program benches run it: under the stage's
// `timeout -k` (journey::Stage::setProgramLifetime), so its own process is
// the child of the stage's; and its end as a user ends it.
#pragma once

#include <sys/types.h>

#include "journey_context.h"

namespace livebench {

// The program's own process (the bench's descendant named "camviewer"),
// waited for up to timeoutMs; -1 when there is none.
pid_t programProcess(int timeoutMs = 10000);

// Asks the program to close and answers Yes, as a user does; stops it when
// it has not ended 30 s later. Its exit status (-1 when it had to be stopped).
int closeProgram(journey::Journey& j);

}  // namespace livebench
