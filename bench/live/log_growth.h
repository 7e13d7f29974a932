// How fast the program's debug.txt grows and what it grows with: its size
// sampled at two times, and the lines written between the two samples
// grouped by the source line that wrote them (the "(file:F, line:L" tail
// every line carries), largest share first.
#pragma once

#include <string>
#include <vector>

namespace livebench {

struct LogSample {
  double atMs = 0;       // steady clock (nowMs())
  long long bytes = -1;  // -1: no file
};
LogSample sampleLog(const std::string& path);

// Growth between two samples in KiB per minute; -1 when either is missing
// or no time passed.
double kibPerMinute(const LogSample& a, const LogSample& b);

struct LogKind {
  std::string where;    // "file.cpp:123", or the line's start when it has no tail
  std::string example;  // the first such line's message, cut short
  long long bytes = 0;
  int lines = 0;
};
// The lines in the file's bytes [from, to), by kind, most bytes first.
std::vector<LogKind> logKinds(const std::string& path, long long from, long long to);

// "file.cpp:123 61% (\"example...\"), ..." for the first `top` kinds.
std::string describeLogKinds(const std::vector<LogKind>& kinds, size_t top = 3);

}  // namespace livebench
