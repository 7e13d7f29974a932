#include "small_disk.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

namespace testsupport {

namespace {

std::string failed(const std::string& what) { return what + ": " + std::strerror(errno); }

}  // namespace

std::string mountSmallDisk(const std::string& folder, size_t bytes) {
  thread_local bool ownNamespace = false;
  if (!ownNamespace) {
    if (unshare(CLONE_NEWNS) != 0) return failed("unshare(CLONE_NEWNS)");
    // Mounts made here must not reach the namespace the test came from.
    if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
      return failed("mount --make-rprivate /");
    ownNamespace = true;
  }
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec) return "cannot create " + folder + ": " + ec.message();
  const std::string options = "size=" + std::to_string(bytes) + ",mode=0755";
  if (mount("tmpfs", folder.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) != 0)
    return failed("mount tmpfs on " + folder);
  return {};
}

std::string fillDisk(const std::string& folder, const std::string& name, size_t leaveBytes) {
  const std::string path = folder + "/" + name;
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return failed("open " + path);
  const std::vector<char> block(4096, 'x');
  std::string problem;
  // Bounded: a few MiB of blocks at most.
  for (int i = 0; i < 1 << 20 && freeBytes(folder) > leaveBytes; ++i) {
    const size_t want = std::min(block.size(), freeBytes(folder) - leaveBytes);
    if (write(fd, block.data(), want) < 0) {
      problem = failed("write " + path);
      break;
    }
  }
  close(fd);
  return problem;
}

size_t freeBytes(const std::string& folder) {
  struct statvfs s {};
  if (statvfs(folder.c_str(), &s) != 0) return 0;
  return size_t(s.f_bavail) * size_t(s.f_frsize);
}

}  // namespace testsupport
