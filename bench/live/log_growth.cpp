#include "log_growth.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>

#include "bench_measures.h"

namespace livebench {

namespace {

constexpr size_t kExampleLength = 60;

// "file.cpp:123" from a line's "(file:path/file.cpp, line:123, func: ...)"
// tail, with the message before it; empty `where` when there is none.
void splitLine(const std::string& line, std::string* where, std::string* message) {
  const size_t tail = line.rfind(" (file:");
  const size_t comma = tail == std::string::npos ? tail : line.find(", line:", tail);
  // The message follows the "[ time ]: Level:\t" head.
  const size_t tab = line.find('\t');
  const size_t start = tab == std::string::npos ? 0 : tab + 1;
  if (comma == std::string::npos) {
    where->clear();
    *message = line.substr(std::min(start, line.size()));
    return;
  }
  std::string file = line.substr(tail + 7, comma - tail - 7);
  const size_t slash = file.rfind('/');
  if (slash != std::string::npos) file = file.substr(slash + 1);
  const size_t lineEnd = line.find(',', comma + 7);
  *where = file + ":" + line.substr(comma + 7, lineEnd == std::string::npos ? std::string::npos : lineEnd - comma - 7);
  *message = start < tail ? line.substr(start, tail - start) : std::string();
}

}  // namespace

LogSample sampleLog(const std::string& path) {
  LogSample s;
  s.atMs = nowMs();
  struct stat st {};
  if (stat(path.c_str(), &st) == 0) s.bytes = st.st_size;
  return s;
}

double kibPerMinute(const LogSample& a, const LogSample& b) {
  if (a.bytes < 0 || b.bytes < 0 || b.atMs <= a.atMs) return -1;
  return double(b.bytes - a.bytes) / 1024.0 / ((b.atMs - a.atMs) / 60000.0);
}

std::vector<LogKind> logKinds(const std::string& path, long long from, long long to) {
  std::vector<LogKind> out;
  std::ifstream in(path, std::ios::binary);
  if (!in || from < 0 || to <= from) return out;
  in.seekg(from);
  std::string text(size_t(to - from), '\0');
  in.read(&text[0], std::streamsize(text.size()));
  text.resize(size_t(in.gcount()));
  std::map<std::string, LogKind> kinds;
  std::istringstream lines(text);
  bool first = from > 0;  // a line cut by the first sample is left out
  for (std::string line; std::getline(lines, line); first = false) {
    if (first) continue;
    std::string where, message;
    splitLine(line, &where, &message);
    const std::string key = where.empty() ? message.substr(0, 24) : where;
    LogKind& k = kinds[key];
    if (k.lines++ == 0) {
      k.where = key;
      k.example = message.size() > kExampleLength ? message.substr(0, kExampleLength) + "..." : message;
    }
    k.bytes += static_cast<long long>(line.size() + 1);
  }
  for (auto& k : kinds) out.push_back(k.second);
  std::sort(out.begin(), out.end(), [](const LogKind& a, const LogKind& b) { return a.bytes > b.bytes; });
  return out;
}

std::string describeLogKinds(const std::vector<LogKind>& kinds, size_t top) {
  long long all = 0;
  for (const LogKind& k : kinds) all += k.bytes;
  if (all == 0) return "nothing (no lines written)";
  std::string out;
  for (size_t i = 0; i < kinds.size() && i < top; ++i) {
    char share[32];
    std::snprintf(share, sizeof share, " %.0f%% ", 100.0 * double(kinds[i].bytes) / double(all));
    out += (i ? ", " : "") + kinds[i].where + share + "(" + std::to_string(kinds[i].lines) + " lines, \"" +
           kinds[i].example + "\")";
  }
  return out;
}

}  // namespace livebench
