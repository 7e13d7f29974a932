// The process umask set for a scope (child processes started inside it
// inherit it), the earlier one back at its end.
#pragma once

#include <sys/stat.h>

namespace testsupport {

class ScopedUmask {
 public:
  explicit ScopedUmask(mode_t mask) : old_(umask(mask)) {}
  ~ScopedUmask() { umask(old_); }
  ScopedUmask(const ScopedUmask&) = delete;
  ScopedUmask& operator=(const ScopedUmask&) = delete;

 private:
  mode_t old_;
};

}  // namespace testsupport
