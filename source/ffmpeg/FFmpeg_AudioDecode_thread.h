// A camera's audio decode thread: raw AAC frames (audioPacketQueue) get the
// ADTS header and are decoded into PCM (audioFrameQueue, for the play
// thread); while recording the ADTS frames also go to the record queue. The
// thread owns its decoder: made when a run starts, released when it ends.
#pragma once

#include "device/media_worker_thread.h"

class CameraMedia;

class FFmpeg_AudioDecode_thread : public MediaWorkerThread {
 public:
  explicit FFmpeg_AudioDecode_thread(CameraMedia* device) : media(device) {}
  ~FFmpeg_AudioDecode_thread() override { wait(); }

  static constexpr int kPcmCapacity = 2048000;

  CameraMedia* const media;

 protected:
  void run() override;
};
