// A property a fuzz target checks on the code under test: when it fails,
// the input is reported as a finding (the process aborts with the reason).
#pragma once

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                              \
  do {                                                                                     \
    if (!(condition)) {                                                                    \
      std::fprintf(stderr, "fuzz check failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__); \
      std::abort();                                                                        \
    }                                                                                      \
  } while (0)
