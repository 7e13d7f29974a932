// What the live benchmarks measure with, shared by the in-process bench
// (main.cpp) and the real program's (program_bench.cpp, dead_cameras_bench.cpp):
// clocks, CPU and memory of this process and of others, percentiles, the
// machine's load, and child commands run to their end with their CPU time.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace livebench {

// Steady clock (the program's present log uses the same) and wall clock, ms.
double nowMs();
double wallMs();
// CPU seconds of this process (RUSAGE_SELF) or of its waited-for children.
double cpuSeconds(int who);
double rssMb();
// CPU seconds (user + system) of another process, all its threads; its
// RSS in MiB. -1 when it is gone.
double processCpuSeconds(pid_t pid);
double processRssMb(pid_t pid);
// This process's descendants whose command name is `comm`.
std::vector<pid_t> descendantsNamed(const std::string& comm);

double percentile(std::vector<double> v, double p);
// `v` with `decimals` places, or "n/a" for a negative value (not measured).
std::string figure(double v, int decimals);
// The machine's load averages over 1, 5 and 15 minutes ("2.10 1.85 1.20").
std::string loadAverages();

// CPU seconds of a command run to its end (its waited-for children
// included); -1 when it failed. A `timeout` ending it (124) is a normal end.
double childCpu(const std::vector<std::string>& args);
// The clip `file` (an elementary stream of clipSeconds) repeated
// seconds / clipSeconds times (at least once) (raw streams cannot be looped by seeking; elementary
// streams simply concatenate). Its path.
std::string longStream(const std::string& file, int seconds, int clipSeconds = 2);

}  // namespace livebench
