// A camera's sound thread: PCM from audioFrameQueue to the Qt audio output,
// kept in step with the picture on screen (videoTimeStamp, written by the
// display tick). It writes only what the output takes without blocking and
// sleeps (waking at once for a stop) for the playing time of each piece.
// The output and its device are borrowed for one run: the camera creates
// them before launch() and releases them only after the run has ended.
#pragma once

#include <atomic>
#include <cstdint>

#include "ffmpeg/media_worker_thread.h"

class QAudioOutput;
class QIODevice;

class AudioPlay_Thread : public MediaWorkerThread {
 public:
  using MediaWorkerThread::MediaWorkerThread;

  // Hands the output for the next run (GUI thread, before launch()).
  void setOutput(QAudioOutput* output, QIODevice* device) {
    output_ = output;
    device_ = device;
  }

  std::atomic<uint64_t> videoTimeStamp{0};  // ms of the picture last shown
  std::atomic<bool> speaker{true};          // sound on (the play view's speaker button)

 protected:
  void run() override;

 private:
  void play(const char* pcm, qint64 length);

  QAudioOutput* output_ = nullptr;
  QIODevice* device_ = nullptr;
};
