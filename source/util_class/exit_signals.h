// The termination signals (SIGTERM at session log-out, SIGINT, SIGHUP) as a
// call on the GUI thread, where the program can end the way it ends when
// the user closes it: the handler only writes the signal's number into a
// pipe (nothing else is safe inside a signal handler); a QSocketNotifier on
// the pipe's other end hands it to `onSignal` from the event loop.
#pragma once

#include <QString>

#include <functional>

namespace exit_signals {

// Installs the handlers for SIGTERM, SIGINT and SIGHUP. Call once, on the
// GUI thread, once the application object exists; `onSignal` then runs on
// that thread for every signal that comes while an event loop runs. False
// (`why` says why) when the pipe or a handler could not be set up.
bool install(std::function<void(int signal)> onSignal, QString* why = nullptr);

}  // namespace exit_signals
