// Small shared pieces of the transport benchmark: clocks, CPU time,
// SHA-256 and test data.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace bench {

using Bytes = std::vector<uint8_t>;

// CLOCK_MONOTONIC in nanoseconds: the same clock in every process of the host.
int64_t mono_ns();
// User plus system CPU time of this process, in milliseconds.
double cpu_ms();
std::string sha256_hex(const uint8_t* data, size_t len);
Bytes random_bytes(size_t n, uint32_t seed);

}  // namespace bench
