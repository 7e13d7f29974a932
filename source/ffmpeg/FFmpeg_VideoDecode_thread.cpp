#include "ffmpeg/FFmpeg_VideoDecode_thread.h"

#include <QDebug>

#include <time.h>

#include <new>
#include <vector>

#include "KV_VideoCodec.h"
#include "Tessan.h"
#include "device/camera_media.h"
#include "ffmpeg/jpeg_encoder.h"

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
  qDebug() << media->deviceId << "FFmpeg_VideoDecode_thread  thread start ";
  uint64_t cpu = threadCpuUs();
  while (gate.continueRun()) {
    std::unique_ptr<P2P_VideoNode_noDecode> node = media->videoPacketQueue.take();
    if (!node) {
      gate.waitForWork([this] { return !media->videoPacketQueue.empty(); }, kIdleWait);
      continue;
    }
    decodeOne(std::move(node), output.get());
    const uint64_t now = threadCpuUs();
    media->counters.videoDecodeCpuUs += now - cpu;
    cpu = now;
  }
  media->clear_videoFrameQueue();
  media->clear_videoPacketQueue();
  media->picturePool->clear();  // a camera that does not play holds no picture memory
  releaseDecoder();
  qDebug() << media->deviceId << "FFmpeg_VideoDecode_thread exit";
  gate.handOver();
}

bool FFmpeg_VideoDecode_thread::ensureDecoder(int codecType) {
  if (codecType != E_CODECID_VIDEO_H264 && codecType != E_CODECID_VIDEO_H265) return false;
  if (media->videoDecoder && decoderCodec_ == codecType) return true;
  releaseDecoder();  // the camera changed its codec: the old decoder goes
  qDebug() << "oneWindowDevice::createVideo";
  const bool h264 = codecType == E_CODECID_VIDEO_H264;
  qDebug() << (h264 ? "oneWindowDevice::createVideo:VIDEO_CODE_TYPE_H264"
                    : "oneWindowDevice::createVideo:VIDEO_CODE_TYPE_H265");
  KVVideo_Create(h264 ? VIDEO_CODE_TYPE_H264 : VIDEO_CODE_TYPE_H265, &media->videoDecoder);
  decoderCodec_ = media->videoDecoder ? codecType : 0;
  return media->videoDecoder != nullptr;
}

void FFmpeg_VideoDecode_thread::releaseDecoder() {
  if (media->videoDecoder) KVVideo_Destroy(&media->videoDecoder);
  media->videoDecoder = nullptr;
  decoderCodec_ = 0;
}

void FFmpeg_VideoDecode_thread::decodeOne(std::unique_ptr<P2P_VideoNode_noDecode> node,
                                          uint8_t* output) {
  bool decoded = false;
  int width = node->width, height = node->height, length = kOutputCapacity;
  if (node->data && ensureDecoder(node->codec)) {
    const int result = KVVideo_Decode(media->videoDecoder, node->data.get(), 0, int(node->size),
                                      output, 0, &length, &width, &height);
    decoded = result > 0 && length > 0;
  }
  if (decoded) {
    auto picture = std::make_unique<P2P_VideoNode_Decode>(
        node->nTimeStamp, width, height, node->fps, output, uint32_t(length), media->picturePool.get());
    picture->serial = media->playSerial();
    media->counters.picturesDropped +=
        media->videoFrameQueue.pushDroppingOldest(std::move(picture), CameraMedia::maxDecodedPictures(node->fps)) +
        media->dropPictureBacklog();
    // A snapshot is served only by a picture that really decoded.
    if (media->snapshotRequest.exchange(false)) serveSnapshot(output, length, width, height);
  }
  // Counted once the packet is wholly handled (tests wait on these).
  if (decoded)
    media->counters.videoDecoded++;
  else
    media->counters.videoDecodeFailed++;
}

void FFmpeg_VideoDecode_thread::serveSnapshot(const uint8_t* picture, int length, int width,
                                              int height) {
  // Capacity: the buffer's real size (the encoder stops short of it).
  std::vector<char> jpeg(size_t(width) * size_t(height) * 3 / 2 + 4096);
  uint32_t size = uint32_t(jpeg.size());
  const int ret = yuv420_to_jpeg(picture, length, jpeg.data(), &size, width, height);
  if (ret == 0) {
    qDebug() << "KVVideo_YUV420toRGB24 success save to disk" << "ret:" << ret;
    media->save_vidoeImage_ToDisk(reinterpret_cast<const unsigned char*>(jpeg.data()), size,
                                  width, height);
  } else {
    qDebug() << "KVVideo_YUV420toRGB24 err" << "ret:" << ret;
    media->save_vidoeImage_ToDisk(nullptr, 0, width, height);  // reported as failed
  }
}
