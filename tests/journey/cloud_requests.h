// The simulated cloud's request log (one JSON line per request, written
// before the answer goes out), as a journey reads it: the client's own
// requests after the lines the world launcher caused, without the test
// hooks (/_sim/...).
#pragma once

#include <string>
#include <vector>

namespace journey {

struct CloudRequest {
  std::string path;
  int status = 0;
  std::string note;
  int violations = 0;   // problems the strict cloud found
};

// The client's requests in `logFile` after its first `skip` lines.
std::vector<CloudRequest> clientRequests(const std::string& logFile, int skip);

// The paths of `requests`, from `from` on.
std::vector<std::string> pathsOf(const std::vector<CloudRequest>& requests, size_t from = 0);

// How many of `requests` from `from` on go to `path`.
int countPath(const std::vector<CloudRequest>& requests, const std::string& path, size_t from = 0);

// The index of the first request to `path` at or after `from`; -1 when none.
int findPath(const std::vector<CloudRequest>& requests, const std::string& path, size_t from = 0);

}  // namespace journey
