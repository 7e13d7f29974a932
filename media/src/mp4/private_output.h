// The record file as FFmpeg's output. The file is made new and private
// (exactly 0600, whatever the umask) under its name, never through a
// symbolic link and never over a file that has the name already; the muxer
// then writes through that one descriptor, so nothing it writes can reach
// another file, whatever happens to the name meanwhile.
#pragma once

extern "C" {
#include <libavformat/avio.h>
}

#include <cstdint>
#include <string>

namespace kvmedia {

class PrivateOutput {
 public:
  PrivateOutput() = default;
  PrivateOutput(const PrivateOutput&) = delete;
  PrivateOutput& operator=(const PrivateOutput&) = delete;
  ~PrivateOutput();

  // Creates `path` and an output context on it; a negative FFmpeg error
  // otherwise (AVERROR(EEXIST) when anything, a link too, has the name).
  int create(const std::string& path);
  // The context the muxer writes into (null before create and after finish).
  AVIOContext* context() const { return pb_; }
  // Flushes what the context holds and frees it; the file stays open.
  // 0, or the first write error the context met.
  int finish();
  // Bytes the file holds now; -1 when it cannot be asked.
  int64_t sizeOnDisk() const;
  // Cuts the file to `size` bytes.
  bool cut(int64_t size) const;
  // Removes the name, when it still names this file.
  void removeName() const;
  // finish(), then closes the file. 0, or the first error met.
  int close();

 private:
  std::string path_;
  int fd_ = -1;
  AVIOContext* pb_ = nullptr;
};

}  // namespace kvmedia
