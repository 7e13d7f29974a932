// The camera's files: snapshot and thumbnail saving, the path builders, the
// record file's opening, closing and restart.
#include <QDateTime>
#include <QDebug>
#include <QTimer>

#include <cerrno>
#include <cstring>

#include "KV_MP4.h"
#include "device/camera_media.h"
#include "device/jpeg_file.h"
#include "device/media_paths.h"

namespace {

using media_paths::MediaKind;

// How long a stop waits for the record thread to write what is queued.
constexpr int kRecordDrainWaitMs = 5000;

// Creates the file's folder; logs as the camera's files always did.
void makeFolder(const QString& path, const char* failText) {
  if (!media_paths::makeFolderFor(path)) qDebug() << failText << path.left(path.lastIndexOf('/'));
}

}  // namespace

// ---- paths ----

void CameraMedia::split_save_pictureImage_defaultPath(QString& path) const {
  path = media_paths::defaultPath(MediaKind::Snapshot, saveFolders().userFolder,
                                  deviceName(), deviceId, QDateTime::fromSecsSinceEpoch(nowSeconds()));
  makeFolder(path, "create new dir err");
}

void CameraMedia::split_save_pictureImage_specifiedPath(QString& path) const {
  path = media_paths::specifiedPath(MediaKind::Snapshot, saveFolders().picture,
                                    deviceName(), deviceId, QDateTime::fromSecsSinceEpoch(nowSeconds()));
  makeFolder(path, "create new dir err");
}

void CameraMedia::split_save_videoImage_defaultPath(QString& path) const {
  path = media_paths::defaultPath(MediaKind::Record, saveFolders().userFolder,
                                  deviceName(), deviceId, QDateTime::fromSecsSinceEpoch(nowSeconds()));
  makeFolder(path, "create new dir err");
}

void CameraMedia::split_save_videoImage_specifiedPath(QString& path) const {
  path = media_paths::specifiedPath(MediaKind::Record, saveFolders().video, deviceName(),
                                    deviceId, QDateTime::fromSecsSinceEpoch(nowSeconds()));
  makeFolder(path, "create new dir err");
}

void CameraMedia::split_save_realtimeImage_specifiedPath(QString& path) const {
  path = media_paths::thumbnailPath(saveFolders().userFolder, deviceName(), deviceId);
  makeFolder(path, "create new dir err");
}

// ---- snapshot and thumbnail ----

void CameraMedia::requestSnapshot() {
  refreshSaveFolders();
  snapshotState_.store(SnapshotState::Pending);
  snapshotRequest.store(true);
}

void CameraMedia::requestThumbnailAndStop(int fallbackMs) {
  refreshSaveFolders();
  thumbnailRequest[0].store(true);
  thumbnailRequest[1].store(true);
  snapshotRequest.store(true);
  // Nothing may decode any more (a camera gone quiet): the stop comes all
  // the same. Whoever clears the stop flag first raises the stop, once.
  QTimer::singleShot(fallbackMs, &guiAnchor_, [this] {
    if (!thumbnailRequest[1].exchange(false)) return;
    thumbnailRequest[0].store(false);
    snapshotRequest.store(false);
    qDebug() << deviceId << "no picture for the thumbnail: stop without it";
    if (CameraMediaEvents* e = events()) e->deviceStopPlay();
  });
}

void CameraMedia::save_vidoeImage_ToDisk(const unsigned char* jpeg, unsigned long length,
                                         int width, int height) {
  (void)width, (void)height;
  CameraMediaEvents* e = events();
  if (thumbnailRequest[0].exchange(false)) {
    QString path;
    split_save_realtimeImage_specifiedPath(path);
    const bool ok = jpeg_file::save(jpeg, length, path);
    qDebug() << "save" << path << "ret:" << (ok ? "true" : "false");
    if (e) e->thumbnailSaved(ok, path);
    if (thumbnailRequest[1].exchange(false) && e) e->deviceStopPlay();
    return;
  }
  QString path;
  if (saveFolders().picture.isEmpty())
    split_save_pictureImage_defaultPath(path);
  else
    split_save_pictureImage_specifiedPath(path);
  const bool ok = jpeg_file::save(jpeg, length, path);
  qDebug() << "save image" << path << "ret:" << (ok ? "true" : "false");
  snapshotState_.store(ok ? SnapshotState::Saved : SnapshotState::Failed);
  if (e) e->snapshotSaved(ok, path);
}

// ---- record files ----

void CameraMedia::record_recordTimeStamp_start() {
  recordStartTime.store(nowSeconds());
  qDebug() << "recordTimeStamp_start :" << recordStartTime.load();
}

QString CameraMedia::recordFilePath() const {
  std::lock_guard<std::mutex> lock(settingsMutex_);
  return recordPath_;
}

bool CameraMedia::openRecordFile() {
  refreshSaveFolders();
  QString path;
  if (saveFolders().video.isEmpty())
    split_save_videoImage_defaultPath(path);
  else
    split_save_videoImage_specifiedPath(path);
  const int vc = videoCodecType.load();
  const int videoCodec = (vc == E_CODECID_VIDEO_H264 || vc == E_CODECID_VIDEO_H265) ? vc : 0;
  const int audioCodec = audioCodecType.load() == E_CODECID_AUDIO_AAC ? E_CODECID_AUDIO_AAC : 0;
  int result = -1, why = 0;
  {
    std::lock_guard<std::mutex> lock(mp4Mutex);
    if (mp4Writer) KVMP4_Destroy(&mp4Writer);  // finishes a file left open
    KVMP4_Create(&mp4Writer);
    if (mp4Writer) {
      const QString named = path;  // a taken name is never written over: the next is tried
      for (int n = 2;; ++n) {
        errno = 0;
        result = KVMP4_Open(mp4Writer, path.toUtf8().constData(), videoWidth.load(),
                            videoHeight.load(), videoCodec, a_nSampleRate.load(), a_nChn.load(),
                            audioCodec, 0);
        why = errno;
        if (result >= 0 || why != EEXIST || n > media_paths::kMaxTakenNameNumber) break;
        path = media_paths::numberedPath(named, n);
      }
      if (result < 0) KVMP4_Destroy(&mp4Writer);  // nothing to write: no writer left
    }
    recordFileVideoPackets.store(0);
  }
  if (result < 0) {
    qDebug() << path << "record open err" << result << (why ? std::strerror(why) : "");
    return false;
  }
  qDebug() << path << "start record" << result;
  {
    std::lock_guard<std::mutex> lock(settingsMutex_);
    recordPath_ = path;
  }
  return true;
}

bool CameraMedia::closeRecordFile() {
  int closed = 0, why = 0;
  uint64_t pictures = 0;
  {
    std::lock_guard<std::mutex> lock(mp4Mutex);
    if (!mp4Writer) return false;
    errno = 0;
    closed = KVMP4_Close(mp4Writer);
    why = errno;
    KVMP4_Destroy(&mp4Writer);
    mp4Writer = nullptr;
    pictures = recordFileVideoPackets.load();
  }
  if (closed == KV_MEDIA_ERR_EMPTY)
    qDebug() << deviceId << "record: no key frame came, the file was removed";
  else if (closed < 0)
    qDebug() << deviceId << "record file not finished:" << std::strerror(why ? why : EIO);
  else
    qDebug() << deviceId << "record file finished with" << pictures << "pictures";
  return closed >= 0 && pictures > 0;
}

bool CameraMedia::record_start() {
  if (shutDown_.load()) return false;
  if (isRecording.load()) return true;
  // The last file's run was told to stop; it ends within one write.
  if (!recordThread.waitEnded(2000)) {
    qDebug() << deviceId << "record thread of the last file still running";
    return false;
  }
  recordRestart.store(false);
  recordFailureUntold_.store(false);
  if (!openRecordFile()) return false;
  record_recordTimeStamp_start();
  beginRecordFeed();
  isRecording.store(true);
  recordThread.gate.open();
  recordThread.launch(2000);
  return true;
}

bool CameraMedia::record_stop() { return finishRecording(); }

bool CameraMedia::finishRecording() {
  endRecordFeed();
  isRecording.store(false);
  recordThread.gate.requestStop();
  // What is queued goes into the file first: normally a few packets.
  if (!recordThread.waitEnded(kRecordDrainWaitMs))
    qDebug() << deviceId << "record thread still writing: the file is finished without the rest";
  const bool kept = closeRecordFile();
  recordStartTime.store(0);
  recordRestart.store(false);
  return kept;
}

void CameraMedia::recordWriteFailed(const QString& why) {
  qDebug() << deviceId << "record write failed:" << why << "- the recording ends";
  endRecordFeed();
  isRecording.store(false);
  closeRecordFile();  // what was written stays and plays
  recordFailureUntold_.store(true);
  if (CameraMediaEvents* e = events()) e->recordFailed(why);
}

void CameraMedia::recordPictureIdle() {
  if (CameraMediaEvents* e = events()) e->recordPictureState(false);
}

void CameraMedia::avideo_record_thread_finished_Handler() {
  if (shutDown_.load()) return;
  if (!recordRestart.exchange(false)) {
    qDebug() << deviceId << "stop record " << "avideo_record_thread_finished_Handler";
    return;
  }
  clear_recordVideoQueue();
  clear_recordAudioQueue();
  // The user may have stopped in the meantime: then no new file.
  if (!isRecording.load()) {
    qDebug() << deviceId << "stop record " << "avideo_record_thread_finished_Handler";
    return;
  }
  qDebug() << deviceId << "restart record " << "avideo_record_thread_finished_Handler";
  endRecordFeed();
  closeRecordFile();
  if (!openRecordFile()) {  // the recording ends here, and the user is told
    recordWriteFailed(QStringLiteral("the next record file cannot be opened"));
    return;
  }
  record_recordTimeStamp_start();
  beginRecordFeed();  // the next file starts at the next key frame
  recordThread.gate.open();
  recordThread.launch(2000);
}
