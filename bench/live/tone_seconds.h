// Whether a camera's sound played, second by second: in each whole second
// of a recording of the sound server's monitor, the camera's own tone is
// looked for against the other cameras' tones (journey::toneOf, as the
// journey finds it).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace livebench {

struct ToneSeconds {
  int heard = 0;    // seconds in which the tone was found
  int seconds = 0;  // whole seconds recorded
  // "yes", "silent" or "partly", with the seconds: "yes (29 of 30 s)".
  std::string text() const;
};

ToneSeconds toneSeconds(const std::vector<int16_t>& mono, int rate, int ownHz, const std::vector<int>& otherHz);

}  // namespace livebench
