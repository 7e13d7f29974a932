// The threads of a process by name, from /proc/PID/task/*/comm: how many
// there are and which kinds hold them. Names that differ only in their
// trailing number ("llvmpipe-0" ... "llvmpipe-7") count as one kind, shown
// with a "#" in place of the number.
#pragma once

#include <sys/types.h>

#include <string>
#include <utility>
#include <vector>

namespace livebench {

struct ThreadCensus {
  int total = 0;                                  // 0 when the process is gone
  std::vector<std::pair<std::string, int>> kinds;  // most threads first
};

ThreadCensus threadCensus(pid_t pid);

// "673 threads: Tessan-connect 400, QThread 200, llvmpipe-# 8" (the first
// `top` kinds), or "n/a" when the process is gone.
std::string describeThreads(const ThreadCensus& c, size_t top = 4);

}  // namespace livebench
