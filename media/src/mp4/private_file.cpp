#include "private_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kvmedia {

bool makePrivateFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  const bool ok = fchmod(fd, 0600) == 0;
  return ::close(fd) == 0 && ok;
}

}  // namespace kvmedia
