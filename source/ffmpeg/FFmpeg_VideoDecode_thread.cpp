#include "ffmpeg/FFmpeg_VideoDecode_thread.h"

#include <QDebug>

#include <time.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "KV_VideoCodec.h"
#include "Tessan.h"
#include "device/display_backlog.h"
#include "ffmpeg/jpeg_encoder.h"
#include "ffmpeg/media_queue_bounds.h"

namespace {

// CPU time of the calling thread, in microseconds.
uint64_t threadCpuUs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return uint64_t(t.tv_sec) * 1000000u + uint64_t(t.tv_nsec) / 1000u;
}

}  // namespace

void FFmpeg_VideoDecode_thread::run() {
  std::unique_ptr<uint8_t[]> output(new (std::nothrow) uint8_t[kOutputCapacity]);
  if (!output) {
    qDebug() << "malloc err";
    gate.endRun();
    return;
  }
  qDebug() << deviceId_ << "FFmpeg_VideoDecode_thread  thread start ";
  uint64_t cpu = threadCpuUs();
  while (gate.continueRun()) {
    std::unique_ptr<P2P_VideoNode_noDecode> node = queues_.videoPacketQueue.take();
    if (!node) {
      gate.waitForWork([this] { return !queues_.videoPacketQueue.empty(); }, kIdleWait);
      continue;
    }
    decodeOne(std::move(node), output.get());
    const uint64_t now = threadCpuUs();
    counters_.videoDecodeCpuUs += now - cpu;
    cpu = now;
  }
  queues_.clear_videoFrameQueue();
  queues_.clear_videoPacketQueue();
  pool_.clear();  // a camera that does not play holds no picture memory
  releaseDecoder();
  qDebug() << deviceId_ << "FFmpeg_VideoDecode_thread exit";
  gate.handOver();
}

bool FFmpeg_VideoDecode_thread::ensureDecoder(int codecType) {
  if (codecType != E_CODECID_VIDEO_H264 && codecType != E_CODECID_VIDEO_H265) return false;
  if (videoDecoder && decoderCodec_ == codecType) return true;
  releaseDecoder();  // the camera changed its codec: the old decoder goes
  qDebug() << "oneWindowDevice::createVideo";
  const bool h264 = codecType == E_CODECID_VIDEO_H264;
  qDebug() << (h264 ? "oneWindowDevice::createVideo:VIDEO_CODE_TYPE_H264"
                    : "oneWindowDevice::createVideo:VIDEO_CODE_TYPE_H265");
  KVVideo_Create(h264 ? VIDEO_CODE_TYPE_H264 : VIDEO_CODE_TYPE_H265, &videoDecoder);
  decoderCodec_ = videoDecoder ? codecType : 0;
  return videoDecoder != nullptr;
}

void FFmpeg_VideoDecode_thread::releaseDecoder() {
  if (videoDecoder) KVVideo_Destroy(&videoDecoder);
  videoDecoder = nullptr;
  decoderCodec_ = 0;
}

void FFmpeg_VideoDecode_thread::decodeOne(std::unique_ptr<P2P_VideoNode_noDecode> node,
                                          uint8_t* output) {
  int width = node->width, height = node->height;
  int shownWidth = 0, shownHeight = 0;
  host_.shownPictureSize(&shownWidth, &shownHeight);
  int fitWidth = 0, fitHeight = 0;
  PictureScaler::fitSize(width, height, shownWidth, shownHeight, &fitWidth, &fitHeight);
  // Shown at its own size: decoded straight into the display's buffer.
  PictureBuffer direct;
  if (fitWidth == width && fitHeight == height && width > 0 && height > 0)
    direct = pool_.take(uint32_t(std::max(PictureScaler::i420Size(width, height), directBytes_)));
  uint8_t* into = direct ? direct.get() : output;
  int length = direct ? int(std::min<uint32_t>(direct.get_deleter().capacity, kOutputCapacity))
                      : kOutputCapacity;
  bool decoded = false;
  if (node->data && ensureDecoder(node->codec)) {
    const int result = KVVideo_Decode(videoDecoder, node->data.get(), 0, int(node->size),
                                      into, 0, &length, &width, &height);
    decoded = result > 0 && length > 0;
    if (result == KV_MEDIA_ERR_CAPACITY && direct) directBytes_ = kOutputCapacity;
  }
  if (decoded) {
    // A snapshot is served only by a picture that really decoded, and
    // from the whole picture, before the display may have its buffer.
    if (host_.takeSnapshotRequest()) serveSnapshot(into, length, width, height);
    uint32_t size = uint32_t(length);
    int shownW = width, shownH = height;
    PictureBuffer picture = direct ? std::move(direct)
                                   : toShownSize(output, length, shownWidth, shownHeight,
                                                 &shownW, &shownH, &size);
    auto shown = std::make_unique<P2P_VideoNode_Decode>(node->nTimeStamp, shownW, shownH,
                                                        node->fps, std::move(picture), size);
    shown->serial = host_.playSerial();
    shown->arrivalMs = node->arrivalMs;
    shown->readyMs = host_.displayNowMs();
    counters_.picturesDropped +=
        queues_.videoFrameQueue.pushDroppingOldest(std::move(shown), maxDecodedPictures(node->fps)) +
        dropPictureBacklog();
    host_.pictureQueued();
  }
  // Counted once the packet is wholly handled (tests wait on these).
  if (decoded)
    counters_.videoDecoded++;
  else
    counters_.videoDecodeFailed++;
}

size_t FFmpeg_VideoDecode_thread::dropPictureBacklog() {
  return queues_.videoFrameQueue.dropFrontWhile(
      [](const P2P_VideoNode_Decode& oldest, const P2P_VideoNode_Decode& newest, size_t waiting) {
        return dropOldestPicture(oldest.nTimeStamp, newest.nTimeStamp, waiting, newest.fps);
      });
}

PictureBuffer FFmpeg_VideoDecode_thread::toShownSize(const uint8_t* output, int length,
                                                     int shownWidth, int shownHeight, int* width,
                                                     int* height, uint32_t* size) {
  int w = 0, h = 0;
  PictureScaler::fitSize(*width, *height, shownWidth, shownHeight, &w, &h);
  if (w != *width || h != *height) {
    const size_t bytes = PictureScaler::i420Size(w, h);
    PictureBuffer scaled = pool_.take(uint32_t(bytes));
    if (scaled && scaler_.scale(output, *width, *height, scaled.get(), w, h)) {
      *width = w;
      *height = h;
      *size = uint32_t(bytes);
      return scaled;
    }
  }
  // Shown at its own size after all (the picture was smaller than announced).
  PictureBuffer copy = pool_.take(uint32_t(length));
  if (copy) std::memcpy(copy.get(), output, size_t(length));
  *size = copy ? uint32_t(length) : 0;
  return copy;
}

void FFmpeg_VideoDecode_thread::serveSnapshot(const uint8_t* picture, int length, int width,
                                              int height) {
  // Capacity: the buffer's real size (the encoder stops short of it).
  std::vector<char> jpeg(size_t(width) * size_t(height) * 3 / 2 + 4096);
  uint32_t size = uint32_t(jpeg.size());
  const int ret = yuv420_to_jpeg(picture, length, jpeg.data(), &size, width, height);
  if (ret == 0) {
    qDebug() << "KVVideo_YUV420toRGB24 success save to disk" << "ret:" << ret;
    host_.save_vidoeImage_ToDisk(reinterpret_cast<const unsigned char*>(jpeg.data()), size,
                                  width, height);
  } else {
    qDebug() << "KVVideo_YUV420toRGB24 err" << "ret:" << ret;
    host_.save_vidoeImage_ToDisk(nullptr, 0, width, height);  // reported as failed
  }
}
