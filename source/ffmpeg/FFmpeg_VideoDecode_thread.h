// A camera's video decode thread: undecoded packets (videoPacketQueue) ->
// I420 pictures (videoFrameQueue, about one second at most) and snapshots
// from the next successful decode. A picture shown at its own size is
// decoded straight into a buffer of the camera's picture pool; one shown
// smaller is decoded into the thread's own buffer and scaled once, into a
// pool buffer, to the size the display shows it at. Snapshots and
// thumbnails are taken from the full picture. The thread owns its decoder:
// made on the first video packet of a run, made again when the codec
// changes, released when the run ends, used by this thread alone.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "ffmpeg/media_worker_thread.h"
#include "ffmpeg/picture_scaler.h"
#include "p2p/picture_pool.h"

class P2P_VideoNode_noDecode;

class FFmpeg_VideoDecode_thread : public MediaWorkerThread {
 public:
  // `pool`: the buffers of the camera's decoded pictures, which the display
  // gives back; it outlives the thread.
  FFmpeg_VideoDecode_thread(CameraMediaQueues& queues, MediaCounters& counters,
                            const QString& deviceId, MediaWorkerHost& host, PicturePool& pool)
      : MediaWorkerThread(queues, counters, deviceId, host), pool_(pool) {}

  // One decoded picture's worth: 2,560 x 1,440 I420 fits.
  static constexpr int kOutputCapacity = 5529728;

 protected:
  void run() override;

 private:
  bool ensureDecoder(int codecType);
  void releaseDecoder();
  void decodeOne(std::unique_ptr<P2P_VideoNode_noDecode> node, uint8_t* output);
  void serveSnapshot(const uint8_t* picture, int length, int width, int height);
  // The display's buffer for a full picture decoded into `output`: scaled
  // to the size shown (width and height become that), or copied when it
  // is shown at its own size. Null when no buffer can be had.
  PictureBuffer toShownSize(const uint8_t* output, int length, int shownWidth, int shownHeight,
                            int* width, int* height, uint32_t* size);
  // Drops the oldest decoded pictures while a much newer one waits
  // (display_backlog.h), after each picture: a display that has not started
  // yet or stalls keeps no more pictures than it would show. How many went.
  size_t dropPictureBacklog();

  PicturePool& pool_;

  void* videoDecoder = nullptr;  // KVVideo_Create handle, this thread only
  int decoderCodec_ = 0;         // the codec videoDecoder decodes
  // Room a picture decoded straight into a pool buffer is given beyond its
  // announced size (the whole output capacity once a picture did not fit).
  size_t directBytes_ = 0;
  PictureScaler scaler_;
};
