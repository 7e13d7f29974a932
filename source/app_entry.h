// The program's entry: start-up, then the sign-in loop (sign-in dialog,
// main window, back to the dialog after a sign-out) until the user closes
// the main window or the dialog.
#pragma once

namespace app_entry {

// Runs the program; its exit status: 0 on every ordinary end, 1 when
// another copy is already running (nothing is shown or logged then), 2 when
// the cloud configuration is unusable.
int run(int argc, char** argv);

}  // namespace app_entry
