// A camera's video decode thread: undecoded packets (videoPacketQueue) ->
// I420 pictures (videoFrameQueue, about one second at most) and snapshots
// from the next successful decode. The decoder is made on the first video
// packet of a run, made again when the codec changes, and released when the
// run ends.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "device/media_worker_thread.h"

class P2P_VideoNode_noDecode;

class FFmpeg_VideoDecode_thread : public MediaWorkerThread {
 public:
  using MediaWorkerThread::MediaWorkerThread;

  // One decoded picture's worth: 2,560 x 1,440 I420 fits.
  static constexpr int kOutputCapacity = 5529728;

 protected:
  void run() override;

 private:
  bool ensureDecoder(int codecType);
  void releaseDecoder();
  void decodeOne(std::unique_ptr<P2P_VideoNode_noDecode> node, uint8_t* output);
  void serveSnapshot(const uint8_t* picture, int length, int width, int height);

  int decoderCodec_ = 0;
};
