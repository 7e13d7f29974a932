#include "program_process.h"

#include <chrono>
#include <thread>
#include <vector>

#include "bench_measures.h"

namespace livebench {

pid_t programProcess(int timeoutMs) {
  const double end = nowMs() + timeoutMs;
  for (;;) {
    const std::vector<pid_t> found = descendantsNamed("camviewer");
    if (!found.empty()) return found.front();
    if (nowMs() >= end) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

int closeProgram(journey::Journey& j) {
  std::string why;
  j.screen().closeAnswering(true, &why);
  const int status = j.stage().waitProgramExit(30000);
  if (status == -1) j.stage().program().stop();
  return status;
}

}  // namespace livebench
