// Where a process's CPU goes, by kind of thread, and how often its GUI
// thread wakes: a sample of /proc/PID/task/*/stat (user + system time) and
// of the GUI thread's context switches, taken twice; the difference per
// second of wall time.
//   decode     the media workers ("video decode", "audio decode", the
//              decoders' slice threads, which take their creator's name)
//   GUI        the process's main thread
//   render     a GL rasterizer's threads ("llvmpipe-N")
//   transport  the device link's and transport's threads ("tessan ...",
//              "vornet ...")
//   other      the rest (Qt's network and X threads, sound, ...)
#pragma once

#include <sys/types.h>

#include <map>
#include <string>

namespace livebench {

struct ThreadCpuSample {
  std::map<std::string, double> seconds;  // CPU seconds so far, by kind
  double guiSwitches = 0;                 // the GUI thread's context switches so far
  double wallMs = 0;
  bool ok = false;                        // false: the process is gone
};

ThreadCpuSample sampleThreadCpu(pid_t pid);

// "decode 0.31, GUI 0.12, render 0.00, transport 0.04, other 0.02 cores;
// GUI thread 105 wake-ups/s" between two samples, or "n/a".
std::string describeThreadCpu(const ThreadCpuSample& from, const ThreadCpuSample& to);

}  // namespace livebench
