#include "created_files.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <atomic>
#include <cstdarg>
#include <mutex>

namespace testsupport {
namespace {

std::atomic<bool> recording{false};

std::mutex& listMutex() {
  static std::mutex m;
  return m;
}

std::vector<CreatedFile>& list() {
  static std::vector<CreatedFile> l;
  return l;
}

using OpenFunction = int (*)(const char*, int, ...);

OpenFunction realOpen64() {
  static const auto real = reinterpret_cast<OpenFunction>(dlsym(RTLD_NEXT, "open64"));
  return real;
}

}  // namespace

CreatedFiles::CreatedFiles() {
  std::lock_guard<std::mutex> lock(listMutex());
  list().clear();
  recording = true;
}

CreatedFiles::~CreatedFiles() { recording = false; }

std::vector<CreatedFile> CreatedFiles::files() const {
  std::lock_guard<std::mutex> lock(listMutex());
  return list();
}

}  // namespace testsupport

extern "C" int open64(const char* path, int flags, ...) {
  mode_t mode = 0;
  const bool creates = (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE;
  if (creates) {
    va_list args;
    va_start(args, flags);
    mode = static_cast<mode_t>(va_arg(args, int));
    va_end(args);
  }
  const int fd = testsupport::realOpen64()(path, flags, mode);
  if (fd >= 0 && creates && testsupport::recording) {
    struct stat st {};
    if (fstat(fd, &st) == 0) {
      std::lock_guard<std::mutex> lock(testsupport::listMutex());
      testsupport::list().push_back({path, unsigned(st.st_mode & 07777)});
    }
  }
  return fd;
}
