// One media worker alone, without a camera's session: the queues, the
// counters and the id a worker is given (WorkerWorld), and a host whose
// reads the test sets and whose reports it keeps in the order they came
// (FakeMediaHost). The worker calls the host on its own thread.
#pragma once

#include <QString>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "ffmpeg/media_counters.h"
#include "ffmpeg/media_worker_host.h"
#include "p2p/camera_media_queues.h"

namespace pipelinetest {

class FakeMediaHost : public MediaWorkerHost {
 public:
  // ---- what the worker reads (set by the test) ----
  std::atomic<uint32_t> serial{1};
  std::atomic<int64_t> nowMs{0};
  std::atomic<qint64> fileSeconds{0};
  std::atomic<bool> overflowed{false};
  std::atomic<bool> snapshotWanted{false};
  StreamParams stream;       // before the worker runs
  std::mutex writerMutex;    // guards writer, as the camera's mp4Mutex does
  void* writer = nullptr;
  std::atomic<uint64_t> filePictures{0};

  // What the worker reported, in order: "snapshot <bytes>", "pcm",
  // "restart", "failed <why>", "idle".
  std::vector<std::string> reports() const {
    std::lock_guard<std::mutex> lock(reportMutex_);
    return reports_;
  }

  uint32_t playSerial() const override { return serial.load(); }
  int64_t displayNowMs() const override { return nowMs.load(); }
  void shownPictureSize(int* width, int* height) const override { *width = *height = 0; }
  bool takeSnapshotRequest() override { return snapshotWanted.exchange(false); }
  void save_vidoeImage_ToDisk(const unsigned char*, unsigned long length, int, int) override {
    report("snapshot " + std::to_string(length));
  }
  StreamParams streamParams() const override { return stream; }
  void pcmQueued() override { report("pcm"); }
  void pictureQueued() override { report("picture"); }
  qint64 recordFileSeconds() const override { return fileSeconds.load(); }
  void recordRestartDue() override { report("restart"); }
  bool recordOverflowed() const override { return overflowed.load(); }
  RecordWriterAccess recordWriter() override {
    return RecordWriterAccess(writerMutex, writer, filePictures);
  }
  void recordWriteFailed(const QString& why) override { report("failed " + why.toStdString()); }
  void recordPictureIdle() override { report("idle"); }

 private:
  void report(const std::string& what) {
    std::lock_guard<std::mutex> lock(reportMutex_);
    reports_.push_back(what);
  }
  mutable std::mutex reportMutex_;
  std::vector<std::string> reports_;
};

// What a worker is given by the camera it works for.
struct WorkerWorld {
  CameraMediaQueues queues;
  MediaCounters counters;
  const QString deviceId = QStringLiteral("CAMTEST01");
  FakeMediaHost host;
};

}  // namespace pipelinetest
