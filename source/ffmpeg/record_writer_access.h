// The open record file's MP4 writer as the record thread writes to it: the
// writer handle is read, and used, under the lock that guards every writer
// call (the camera's mp4Mutex), held for as long as this object lives, so
// the GUI thread never finishes or replaces a file in the middle of a write.
//
// Threads: made on the record thread (MediaWorkerHost::recordWriter) for one
// write and dropped right after it.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

class RecordWriterAccess {
 public:
  // `writer` is read once the lock is held; `filePictures` counts the
  // pictures in the file that is open (its closing tells how many).
  RecordWriterAccess(std::mutex& mutex, void* const& writer, std::atomic<uint64_t>& filePictures)
      : lock_(mutex), writer_(writer), filePictures_(filePictures) {}
  RecordWriterAccess(const RecordWriterAccess&) = delete;
  RecordWriterAccess& operator=(const RecordWriterAccess&) = delete;

  // Null when no file is open (it was finished meanwhile).
  void* writer() const { return writer_; }
  // One picture more went into the open file.
  void pictureWritten() { filePictures_++; }

 private:
  std::lock_guard<std::mutex> lock_;  // declared first: the handle is read under it
  void* const writer_;
  std::atomic<uint64_t>& filePictures_;
};
