// The recording is the user's alone: its file is made 0600 (whatever the
// process umask) before the muxer, which opens it by name, writes a byte.
#pragma once

#include <string>

namespace kvmedia {

// Creates `path` empty with mode 0600, or truncates an existing file and
// sets its mode to 0600. False when it cannot.
bool makePrivateFile(const std::string& path);

}  // namespace kvmedia
