#include "ffmpeg/FFmpeg_Avideo_record_thread.h"

#include <QDebug>

#include <cerrno>
#include <cstring>

#include "KV_MP4.h"
#include "Tessan.h"
#include "device/record_feed.h"

namespace {

// Refusals of single packets logged per file, at most.
constexpr int kRefusalsLogged = 5;

}  // namespace

void FFmpeg_Avideo_record_thread::run() {
  expected_ = 0;
  heldVideo_.reset();
  heldAudio_.reset();
  failure_.clear();
  refusedLogged_ = 0;
  qDebug() << "FFmpeg_Avideo_record_thread  start";
  const StreamParams stream = host_.streamParams();
  qDebug() << "videoWidth :" << stream.videoWidth << "videoHeight :" << stream.videoHeight;
  qDebug() << "audio a_nSampleRate:" << stream.sampleRate << "audio a_nChn:" << stream.channels;
  enum class End { Stopped, Restart, Failed } end = End::Stopped;
  while (gate.continueRun()) {
    if (host_.recordFileSeconds() > kRecordLimitSeconds) {
      end = End::Restart;
      host_.recordRestartDue();
      gate.endRun();
      break;
    }
    if (host_.recordOverflowed()) {
      failure_ = QStringLiteral("the writer fell behind the camera by more than %1 MiB")
                     .arg(RecordFeed::kMaxQueuedBytes >> 20);
      end = End::Failed;
      gate.endRun();
      break;
    }
    const Step step = writeNext();
    if (step == Step::Failed) {
      end = End::Failed;
      gate.endRun();
      break;
    }
    if (step == Step::NothingDue) gate.waitForWork([this] { return !nothingToTake(); }, kIdleWait);
  }
  // A stop: the feed has ended, so what is queued is all there is.
  if (end == End::Stopped) {
    Step step = Step::Written;
    while ((step = writeNext()) == Step::Written) {
    }
    if (step == Step::Failed) end = End::Failed;
  }
  if (end == End::Failed) host_.recordWriteFailed(failure_);
  heldVideo_.reset();
  heldAudio_.reset();
  queues_.clear_recordAudioQueue();
  queues_.clear_recordVideoQueue();
  queuedBytes.store(0);
  // The icon goes idle only when the recording really ended; a restart
  // goes on recording into the next file.
  if (end != End::Restart) host_.recordPictureIdle();
  qDebug() << "FFmpeg_Avideo_record_thread  exit";
  gate.handOver();
}

bool FFmpeg_Avideo_record_thread::nothingToTake() {
  return (heldVideo_ || queues_.recordVideoQueue.empty()) && (heldAudio_ || queues_.recordAudioQueue.empty());
}

FFmpeg_Avideo_record_thread::Step FFmpeg_Avideo_record_thread::writeNext() {
  // The packets are numbered in arrival order; each queue holds its own in
  // that order, so the next one is at the head of one of them, or has not
  // been queued yet.
  if (!heldVideo_) heldVideo_ = queues_.recordVideoQueue.take();
  if (!heldAudio_) heldAudio_ = queues_.recordAudioQueue.take();
  const bool videoDue = heldVideo_ && (heldVideo_->recordSeq <= expected_ ||
                                       (heldAudio_ && heldVideo_->recordSeq < heldAudio_->recordSeq));
  if (videoDue) return write_videoFrame(std::move(heldVideo_));
  const bool audioDue = heldAudio_ && (heldAudio_->recordSeq <= expected_ || heldVideo_);
  if (audioDue) return write_audioFrame(std::move(heldAudio_));
  return Step::NothingDue;
}

FFmpeg_Avideo_record_thread::Step FFmpeg_Avideo_record_thread::judge(int result, const char* what) {
  if (result >= 0) return Step::Written;
  if (result == KV_MEDIA_ERR_IO || result == KV_MEDIA_ERR_NOMEM) {
    const int why = errno;
    failure_ = result == KV_MEDIA_ERR_NOMEM ? QStringLiteral("out of memory")
                                            : QString::fromLocal8Bit(std::strerror(why ? why : EIO));
    return Step::Failed;
  }
  // The writer refused this one packet (sound stamped before the file's
  // first picture, a key frame it cannot use): the file goes on.
  if (refusedLogged_ < kRefusalsLogged) {
    ++refusedLogged_;
    qDebug() << deviceId_ << "record:" << what << "not written, result" << result;
  }
  return Step::Written;
}

FFmpeg_Avideo_record_thread::Step FFmpeg_Avideo_record_thread::write_videoFrame(
    std::unique_ptr<P2P_VideoNode_noDecode> node) {
  expected_ = node->recordSeq + 1;
  queuedBytes -= node->size;
  if (!node->data) return Step::Written;
  const bool key = node->nFlag == E_VIDEO_FRAME_FLAG_I;
  RecordWriterAccess file = host_.recordWriter();
  if (!file.writer()) return Step::Written;  // the file was finished meanwhile
  errno = 0;
  const int r = KVMP4_WriteVideo(file.writer(), node->data.get(), 0, int(node->size),
                                 uint32_t(node->nTimeStamp), key ? 1 : 0);
  const Step step = judge(r, "picture");
  if (r >= 0) {
    counters_.recordVideoWritten++;
    file.pictureWritten();
  }
  return step;
}

FFmpeg_Avideo_record_thread::Step FFmpeg_Avideo_record_thread::write_audioFrame(
    std::unique_ptr<P2P_AudioNode_noDecode> node) {
  expected_ = node->recordSeq + 1;
  queuedBytes -= node->size;
  if (!node->data) return Step::Written;
  RecordWriterAccess file = host_.recordWriter();
  if (!file.writer()) return Step::Written;
  errno = 0;
  const int r = KVMP4_WriteAudio(file.writer(), node->data.get(), 0, int(node->size),
                                 uint32_t(node->nTimeStamp));
  if (r >= 0) counters_.recordAudioWritten++;
  return judge(r, "sound");
}
