// A camera's record thread: drains recordVideoQueue and recordAudioQueue into
// the open MP4 writer (every call under the camera's mp4Mutex). One run per
// file: video before the file's first key frame is dropped, audio is written
// only after a key frame went in. When the file has run for the time limit
// the run ends with recordRestart set, and the camera opens the next file.
#pragma once

#include <memory>

#include "device/media_worker_thread.h"

class FFmpeg_Avideo_record_thread : public MediaWorkerThread {
 public:
  using MediaWorkerThread::MediaWorkerThread;

  // Seconds one file may run (500 hours), compared with recordStartTime.
  static constexpr qint64 kRecordLimitSeconds = 1800000;

  bool write_videoFrame();  // false when nothing was queued
  bool write_audioFrame();

 protected:
  void run() override;

 private:
  bool gotKeyFrame_ = false;
};
