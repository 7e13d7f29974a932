#include "bench_support.h"

#include "sha256.h"

#include <sys/resource.h>
#include <time.h>

#include <random>

namespace bench {

int64_t mono_ns() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

double cpu_ms() {
  rusage u;
  getrusage(RUSAGE_SELF, &u);
  auto ms = [](const timeval& t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; };
  return ms(u.ru_utime) + ms(u.ru_stime);
}

std::string sha256_hex(const uint8_t* data, size_t len) {
  testworld::Sha256 d;
  d.add(data, len);
  return d.hex();
}

Bytes random_bytes(size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes b(n);
  for (auto& x : b) x = static_cast<uint8_t>(rng());
  return b;
}

}  // namespace bench
