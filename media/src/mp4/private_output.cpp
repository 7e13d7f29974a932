#include "private_output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

extern "C" {
#include <libavutil/error.h>
#include <libavutil/mem.h>
}

namespace kvmedia {
namespace {

constexpr int kBufferBytes = 64 * 1024;

int writeAll(void* opaque, uint8_t* data, int size) {
  const int fd = *static_cast<const int*>(opaque);
  int done = 0;
  while (done < size) {
    const ssize_t n = ::write(fd, data + done, static_cast<size_t>(size - done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return AVERROR(errno);
    if (n == 0) return AVERROR(ENOSPC);
    done += static_cast<int>(n);
  }
  return size;
}

int64_t seekTo(void* opaque, int64_t offset, int whence) {
  const int fd = *static_cast<const int*>(opaque);
  if (whence & AVSEEK_SIZE) {
    struct stat st {};
    return fstat(fd, &st) == 0 ? int64_t(st.st_size) : AVERROR(errno);
  }
  const off_t at = lseek(fd, off_t(offset), whence & ~AVSEEK_FORCE);
  return at < 0 ? AVERROR(errno) : int64_t(at);
}

}  // namespace

PrivateOutput::~PrivateOutput() { close(); }

int PrivateOutput::create(const std::string& path) {
  if (fd_ >= 0) return AVERROR(EBUSY);
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return AVERROR(errno);
  if (fchmod(fd, 0600) != 0) {  // exactly, whatever the umask
    const int why = errno;
    ::close(fd);
    unlink(path.c_str());
    return AVERROR(why);
  }
  fd_ = fd;
  path_ = path;
  auto* buffer = static_cast<unsigned char*>(av_malloc(kBufferBytes));
  if (buffer) pb_ = avio_alloc_context(buffer, kBufferBytes, 1, &fd_, nullptr, writeAll, seekTo);
  if (!pb_) {
    av_free(buffer);
    removeName();
    close();
    return AVERROR(ENOMEM);
  }
  return 0;
}

int PrivateOutput::finish() {
  if (!pb_) return 0;
  avio_flush(pb_);
  const int rc = pb_->error;
  av_freep(&pb_->buffer);
  avio_context_free(&pb_);
  return rc < 0 ? rc : 0;
}

int64_t PrivateOutput::sizeOnDisk() const {
  struct stat st {};
  if (fd_ < 0 || fstat(fd_, &st) != 0) return -1;
  return int64_t(st.st_size);
}

bool PrivateOutput::cut(int64_t size) const { return fd_ >= 0 && ftruncate(fd_, off_t(size)) == 0; }

void PrivateOutput::removeName() const {
  struct stat mine {}, named {};
  if (fd_ < 0 || fstat(fd_, &mine) != 0 || lstat(path_.c_str(), &named) != 0) return;
  if (mine.st_dev == named.st_dev && mine.st_ino == named.st_ino) unlink(path_.c_str());
}

int PrivateOutput::close() {
  int rc = finish();
  if (fd_ >= 0) {
    if (::close(fd_) != 0 && rc == 0) rc = AVERROR(errno);
    fd_ = -1;
  }
  return rc;
}

}  // namespace kvmedia
