// A camera's audio decode thread: raw AAC frames (audioPacketQueue) get the
// ADTS header and are decoded into PCM (audioFrameQueue, for the play
// thread). The thread owns its decoder: made when a run starts, released
// when it ends, used by this thread alone.
#pragma once

#include "ffmpeg/media_worker_thread.h"

class FFmpeg_AudioDecode_thread : public MediaWorkerThread {
 public:
  using MediaWorkerThread::MediaWorkerThread;

  static constexpr int kPcmCapacity = 2048000;

 protected:
  void run() override;

 private:
  void* audioDecoder = nullptr;  // KVAudio_Create handle of the run under way
};
