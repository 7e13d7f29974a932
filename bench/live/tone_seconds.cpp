#include "tone_seconds.h"

#include "media_verdicts.h"

namespace livebench {

std::string ToneSeconds::text() const {
  const std::string counted = " (" + std::to_string(heard) + " of " + std::to_string(seconds) + " s)";
  if (seconds == 0) return "n/a";
  if (heard == 0) return "silent" + counted;
  return (heard * 10 >= seconds * 9 ? "yes" : "partly") + counted;
}

ToneSeconds toneSeconds(const std::vector<int16_t>& mono, int rate, int ownHz, const std::vector<int>& otherHz) {
  ToneSeconds t;
  const size_t second = size_t(rate);
  for (size_t at = 0; rate > 0 && at + second <= mono.size(); at += second) {
    const std::vector<int16_t> part(mono.begin() + long(at), mono.begin() + long(at + second));
    t.heard += journey::toneOf(part, rate, ownHz, otherHz).found();
    ++t.seconds;
  }
  return t;
}

}  // namespace livebench
