// The journeys through the real program, step by step into a report:
//  - the main journey: start, a second copy, sign-in through the dialog,
//    tiles coming online, a camera's picture and sound, snapshot, a 3 s
//    recording, HD/FHD, PTZ, a group of two in the grid, sign-out, the
//    cloud's "signed in elsewhere", a sign-in while the cloud answers 500,
//    and closing (No keeps playing, Yes ends with 0);
//  - the recovery journey: a camera killed and started again comes back
//    online and plays on without a click, the recording it made ends at the
//    loss, and a recording survives a SIGKILL of the program.
// A journey stops at a step the next ones cannot do without.
#pragma once

#include "journey_report.h"
#include "journey_stage.h"

namespace journey {

void runMainJourney(Stage& stage, Report& report);
void runRecoveryJourney(Stage& stage, Report& report);

}  // namespace journey
