// The camera's files: snapshot and thumbnail saving, the path builders, the
// record file's opening, closing and restart.
#include <QDateTime>
#include <QDebug>
#include <QImage>
#include <QTimer>

#include "KV_MP4.h"
#include "device/camera_media.h"
#include "device/media_paths.h"
#include "util_class/private_files.h"

namespace {

using media_paths::MediaKind;

// Creates the file's folder; logs as the camera's files always did.
void makeFolder(const QString& path, const char* failText) {
  if (!media_paths::makeFolderFor(path)) qDebug() << failText << path.left(path.lastIndexOf('/'));
}

// Loads the JPEG bytes and writes them as a JPEG of quality 75. QImage (not
// QPixmap): this runs on the decode thread.
bool writeJpeg(const unsigned char* jpeg, unsigned long length, const QString& path) {
  if (!jpeg || length == 0 || length > 0x7FFFFFFFul) return false;
  QImage image;
  if (!image.loadFromData(jpeg, int(length), "JPG")) return false;
  return private_files::prepareFile(path) && image.save(path, "JPG", 75);
}

}  // namespace

// ---- paths ----

void CameraMedia::split_save_pictureImage_defaultPath(QString& path) const {
  path = media_paths::defaultPath(MediaKind::Snapshot, saveFolders().userName_private_dir,
                                  deviceName(), deviceId, QDateTime::fromSecsSinceEpoch(nowSeconds()));
  makeFolder(path, "create new dir err");
}

void CameraMedia::split_save_pictureImage_specifiedPath(QString& path) const {
  path = media_paths::specifiedPath(MediaKind::Snapshot, saveFolders().pictureSavePath,
                                    deviceName(), deviceId, QDateTime::fromSecsSinceEpoch(nowSeconds()));
  makeFolder(path, "create new dir err");
}

void CameraMedia::split_save_videoImage_defaultPath(QString& path) const {
  path = media_paths::defaultPath(MediaKind::Record, saveFolders().userName_private_dir,
                                  deviceName(), deviceId, QDateTime::fromSecsSinceEpoch(nowSeconds()));
  makeFolder(path, "create new dir err");
}

void CameraMedia::split_save_videoImage_specifiedPath(QString& path) const {
  path = media_paths::specifiedPath(MediaKind::Record, saveFolders().videoSavePath, deviceName(),
                                    deviceId, QDateTime::fromSecsSinceEpoch(nowSeconds()));
  makeFolder(path, "create new dir err");
}

void CameraMedia::split_save_realtimeImage_specifiedPath(QString& path) const {
  path = media_paths::thumbnailPath(saveFolders().userName_private_dir, deviceName(), deviceId);
  makeFolder(path, "create new dir err");
}

// ---- snapshot and thumbnail ----

void CameraMedia::requestSnapshot() {
  snapshotState_.store(SnapshotState::Pending);
  snapshotRequest.store(true);
}

void CameraMedia::requestThumbnailAndStop(int fallbackMs) {
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
    const bool ok = writeJpeg(jpeg, length, path);
    qDebug() << "save" << path << "ret:" << (ok ? "true" : "false");
    if (e) e->thumbnailSaved(ok, path);
    if (thumbnailRequest[1].exchange(false) && e) e->deviceStopPlay();
    return;
  }
  QString path;
  if (saveFolders().pictureSavePath.isEmpty())
    split_save_pictureImage_defaultPath(path);
  else
    split_save_pictureImage_specifiedPath(path);
  const bool ok = writeJpeg(jpeg, length, path);
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
  QString path;
  if (saveFolders().videoSavePath.isEmpty())
    split_save_videoImage_defaultPath(path);
  else
    split_save_videoImage_specifiedPath(path);
  const int vc = videoCodecType.load();
  const int videoCodec = (vc == E_CODECID_VIDEO_H264 || vc == E_CODECID_VIDEO_H265) ? vc : 0;
  const int audioCodec = audioCodecType.load() == E_CODECID_AUDIO_AAC ? E_CODECID_AUDIO_AAC : 0;
  int result = -1;
  {
    std::lock_guard<std::mutex> lock(mp4Mutex);
    if (mp4Writer) KVMP4_Destroy(&mp4Writer);  // finishes a file left open
    KVMP4_Create(&mp4Writer);
    if (mp4Writer) {
      result = KVMP4_Open(mp4Writer, path.toUtf8().constData(), videoWidth.load(),
                          videoHeight.load(), videoCodec, a_nSampleRate.load(), a_nChn.load(),
                          audioCodec, 0);
      if (result < 0) KVMP4_Destroy(&mp4Writer);  // nothing to write: no writer left
    }
  }
  qDebug() << path << (result >= 0 ? "start record" : "record open err") << result;
  if (result < 0) return false;
  {
    std::lock_guard<std::mutex> lock(settingsMutex_);
    recordPath_ = path;
  }
  return true;
}

bool CameraMedia::closeRecordFile() {
  std::lock_guard<std::mutex> lock(mp4Mutex);
  if (!mp4Writer) return false;
  const int closed = KVMP4_Close(mp4Writer);
  KVMP4_Destroy(&mp4Writer);
  mp4Writer = nullptr;
  return closed >= 0;
}

bool CameraMedia::record_start() {
  if (shutDown_.load()) return false;
  if (isRecording.load()) return true;
  // The last file's run was told to stop; it ends within one write.
  if (!recordThread.waitEnded(2000)) {
    qDebug() << deviceId << "record thread of the last file still running";
    return false;
  }
  clear_recordVideoQueue();
  clear_recordAudioQueue();
  recordRestart.store(false);
  if (!openRecordFile()) return false;
  record_recordTimeStamp_start();
  isRecording.store(true);
  recordThread.gate.open();
  recordThread.launch(2000);
  return true;
}

bool CameraMedia::record_stop() {
  isRecording.store(false);
  recordThread.gate.requestStop();
  const bool finished = closeRecordFile();
  recordStartTime.store(0);
  recordRestart.store(false);
  return finished;
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
  closeRecordFile();
  if (!openRecordFile()) {
    isRecording.store(false);
    if (CameraMediaEvents* e = events()) e->recordPictureState(false);
    return;
  }
  record_recordTimeStamp_start();
  recordThread.gate.open();
  recordThread.launch(2000);
}
