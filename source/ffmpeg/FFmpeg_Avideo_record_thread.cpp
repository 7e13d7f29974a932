#include "ffmpeg/FFmpeg_Avideo_record_thread.h"

#include <QDebug>

#include "KV_MP4.h"
#include "Tessan.h"
#include "device/camera_media.h"

void FFmpeg_Avideo_record_thread::run() {
  gotKeyFrame_ = false;
  qDebug() << "FFmpeg_Avideo_record_thread  start";
  qDebug() << "videoWidth :" << media->videoWidth.load() << "videoHeight :" << media->videoHeight.load();
  qDebug() << "audio a_nSampleRate:" << media->a_nSampleRate.load() << "audio a_nChn:" << media->a_nChn.load();
  bool restart = false;
  while (gate.continueRun()) {
    if (media->nowSeconds() - media->recordStartTime.load() > kRecordLimitSeconds) {
      restart = true;
      media->recordRestart.store(true);
      gate.endRun();
      break;
    }
    const bool wroteVideo = write_videoFrame();
    const bool wroteAudio = write_audioFrame();
    if (!wroteVideo && !wroteAudio) {
      gate.waitForWork([this] { return !media->recordVideoQueue.empty() || !media->recordAudioQueue.empty(); },
                       kIdleWait);
    }
  }
  media->clear_recordAudioQueue();
  media->clear_recordVideoQueue();
  // The icon goes idle only when the recording really ended; a restart
  // goes on recording into the next file.
  if (!restart) {
    if (CameraMediaEvents* e = media->events()) e->recordPictureState(false);
  }
  qDebug() << "FFmpeg_Avideo_record_thread  exit";
  gate.handOver();
}

bool FFmpeg_Avideo_record_thread::write_videoFrame() {
  std::unique_ptr<P2P_VideoNode_noDecode> node = media->recordVideoQueue.take();
  if (!node) return false;
  const bool key = node->nFlag == E_VIDEO_FRAME_FLAG_I;
  if (!gotKeyFrame_ && !key) return true;  // a file begins with a key frame
  std::lock_guard<std::mutex> lock(media->mp4Mutex);
  if (media->mp4Writer && node->data) {
    const int r = KVMP4_WriteVideo(media->mp4Writer, node->data.get(), 0, int(node->size),
                                   uint32_t(node->nTimeStamp), key ? 1 : 0);
    if (r >= 0) {
      if (key) gotKeyFrame_ = true;
      media->counters.recordVideoWritten++;
    }
  }
  return true;
}

bool FFmpeg_Avideo_record_thread::write_audioFrame() {
  std::unique_ptr<P2P_AudioNode_noDecode> node = media->recordAudioQueue.take();
  if (!node) return false;
  if (!gotKeyFrame_) return true;  // audio before the first key frame is dropped
  std::lock_guard<std::mutex> lock(media->mp4Mutex);
  if (media->mp4Writer && node->data) {
    if (KVMP4_WriteAudio(media->mp4Writer, node->data.get(), 0, int(node->size),
                         uint32_t(node->nTimeStamp)) >= 0)
      media->counters.recordAudioWritten++;
  }
  return true;
}
