#include "device/camera_media.h"

#include <QAudioFormat>
#include <QAudioOutput>
#include <QDateTime>
#include <QDebug>
#include <QMetaObject>

#include <algorithm>
#include <chrono>
#include <limits>

#include "Tessan.h"
#include "device/display_backlog.h"
#include "device/play_timing.h"
#include "device/present_log.h"
#include "ffmpeg/adts_header.h"
#include "util_class/steady_ms.h"

namespace {

// How long a GUI-thread operation waits for a worker run that was told to
// stop: one decode step or one write, so this is only a safety bound.
constexpr int kRunEndWaitMs = 2000;

}  // namespace

CameraMedia::CameraMedia(const QString& id, const QString& name, CameraMediaEvents* events)
    : deviceId(id),
      videoDecodeThread(*this, counters, deviceId, *this, *picturePool),
      audioDecodeThread(*this, counters, deviceId, *this),
      audioPlayThread(*this, counters, deviceId, *this),
      recordThread(*this, counters, deviceId, *this),
      events_(events),
      deviceName_(name),
      clock_([] { return QDateTime::currentSecsSinceEpoch(); }) {
  displayClock_ = [] { return steadyMs(); };
  // Thread names (top -H, perf, gdb): at most 15 characters reach the system.
  videoDecodeThread.setObjectName(QStringLiteral("video decode"));
  audioDecodeThread.setObjectName(QStringLiteral("audio decode"));
  audioPlayThread.setObjectName(QStringLiteral("audio play"));
  recordThread.setObjectName(QStringLiteral("record"));
  QObject::connect(&videoTimer, &QTimer::timeout, &guiAnchor_, [this] { videoTimerHandler(); });
  QObject::connect(&recordThread, &QThread::finished, &guiAnchor_,
                   [this] { avideo_record_thread_finished_Handler(); });
}

CameraMedia::~CameraMedia() {
  events_.store(nullptr);
  shutdown();
}

void CameraMedia::shutdown() {
  if (shutDown_.exchange(true)) return;
  videoTimer.stop();
  isPlaying.store(false);
  isRecording.store(false);
  endRecordFeed();  // the record run writes what is queued, then ends
  videoDecodeThread.gate.requestStop();
  audioDecodeThread.gate.requestStop();
  audioPlayThread.gate.requestStop();
  recordThread.gate.requestStop();
  // Nothing below is freed while a worker could still use it.
  videoDecodeThread.join();
  audioDecodeThread.join();
  audioPlayThread.join();
  recordThread.join();
  releaseAudioOutput();
  closeRecordFile();
  clear_allQueues();
}

void CameraMedia::runOnGuiThread(std::function<void()> f) { guiCalls_.post(std::move(f)); }

// ---- settings ----

void CameraMedia::setSaveFolders(const SaveFolders& folders) {
  std::lock_guard<std::mutex> lock(settingsMutex_);
  folders_ = folders;
}

SaveFolders CameraMedia::saveFolders() const {
  std::lock_guard<std::mutex> lock(settingsMutex_);
  return folders_;
}

void CameraMedia::setSaveFolderSource(std::function<SaveFolders()> source) {
  std::lock_guard<std::mutex> lock(settingsMutex_);
  folderSource_ = std::move(source);
}

void CameraMedia::refreshSaveFolders() {
  std::function<SaveFolders()> source;
  {
    std::lock_guard<std::mutex> lock(settingsMutex_);
    source = folderSource_;
  }
  if (source) setSaveFolders(source());
}

QString CameraMedia::deviceName() const {
  std::lock_guard<std::mutex> lock(settingsMutex_);
  return deviceName_;
}

void CameraMedia::setDeviceName(const QString& name) {
  std::lock_guard<std::mutex> lock(settingsMutex_);
  deviceName_ = name;
}

void CameraMedia::set_avideoParam(int v0, int v1, int v2, int v3, int v4, int v5, int sampleRate,
                                  int sampleBits, int channels) {
  const int v[6] = {v0, v1, v2, v3, v4, v5};
  for (int i = 0; i < 6; ++i) videoParams[size_t(i)].store(v[i]);
  a_nSampleRate.store(sampleRate);
  a_nSampleBits.store(sampleBits);
  a_nChn.store(channels);
}

StreamParams CameraMedia::streamParams() const {
  StreamParams p;
  p.videoWidth = videoWidth.load();
  p.videoHeight = videoHeight.load();
  p.sampleRate = a_nSampleRate.load();
  p.sampleBits = a_nSampleBits.load();
  p.channels = a_nChn.load();
  return p;
}

void CameraMedia::setClock(std::function<qint64()> nowSeconds) {
  std::lock_guard<std::mutex> lock(settingsMutex_);
  clock_ = std::move(nowSeconds);
}

qint64 CameraMedia::nowSeconds() const {
  std::function<qint64()> clock;
  {
    std::lock_guard<std::mutex> lock(settingsMutex_);
    clock = clock_;
  }
  return clock();
}

// ---- device-link thread ----

void CameraMedia::startOfPlay(PlayMode mode, int codecType, int fps) {
  if (codecType != E_CODECID_VIDEO_H264 && codecType != E_CODECID_VIDEO_H265) return;
  if (mode == PlayMode::None || !isPlaying.load() || shutDown_.load()) return;
  bool first = false;
  if (!videoFirstFrame.compare_exchange_strong(first, true)) return;
  // The sound output is a Qt object of the GUI thread: its set-up is queued
  // there, this thread goes on at once.
  if (mode == PlayMode::Single && playWithAudio_.load()) runOnGuiThread([this] { audioPlay_init(); });
  if (!videoDecodeThread.launch(kRunEndWaitMs))
    qDebug() << deviceId << "video decode thread of the last play did not end";
  const int ms = get_sdlRefreshTime_formFPS(fps);
  qDebug() << "  videoTimer.start";
  if (CameraMediaEvents* e = events()) {
    e->videoTimerStart(ms);
    if (mode == PlayMode::Single) e->gifPlayStart();
  }
}

void CameraMedia::intakeAudioFrame(uint64_t nTimeStamp, const uint8_t* data, uint32_t length) {
  audioCodecType.store(E_CODECID_AUDIO_AAC);
  feedRecordAudio(nTimeStamp, data, length);
  if (!audioDecodeThread.gate.accepting()) return;
  audioPacketQueue.pushDroppingOldest(
      std::make_unique<P2P_AudioNode_noDecode>(0, nTimeStamp, data, length), kMaxAudioNodes);
  counters.audioPacketsQueued++;
  audioDecodeThread.gate.notify();
}

void CameraMedia::intakeVideoFrame(int codecType, int nFlag, int width, int height, int fps,
                                   uint64_t nTimeStamp, const uint8_t* data, uint32_t length) {
  int flag = E_VIDEO_FRAME_FLAG_I;
  if (nFlag == E_VIDEO_FRAME_FLAG_P) flag = E_VIDEO_FRAME_FLAG_P;
  if (nFlag == E_VIDEO_FRAME_FLAG_B) {
    flag = E_VIDEO_FRAME_FLAG_B;
    qDebug() << " E_VIDEO_FRAME_FLAG_B ";
  }
  if (videoCodecType.exchange(codecType) != codecType) {
    qDebug() << (codecType == E_CODECID_VIDEO_H264 ? "oneWindowDevice::createVideo:E_CODECID_VIDEO_H264"
                                                   : "oneWindowDevice::createVideo:E_CODECID_VIDEO_H265");
  }
  videoWidth.store(width);
  videoHeight.store(height);
  feedRecordVideo(flag, width, height, fps, nTimeStamp, data, length, codecType);
  if (!videoDecodeThread.gate.accepting()) {
    counters.videoPacketsDropped++;
    return;
  }
  if (unsigned(fps) != lastVideoFps.exchange(unsigned(fps))) qDebug() << "nFPSOfVideo:" << fps;
  // A key frame while the decoder is behind: what waits before it would
  // only be shown late, so decoding starts afresh from it.
  if (flag == E_VIDEO_FRAME_FLAG_I && videoPacketQueue.size() > maxVideoPackets(fps) / 4) {
    counters.videoPacketsDropped += videoPacketQueue.clear();
    videoWaitKey_.store(false);
  }
  // A decoder that cannot keep up: the backlog goes, decoding resumes at the
  // next key frame (a P-frame without its references decodes to garbage).
  if (videoPacketQueue.size() >= maxVideoPackets(fps)) {
    counters.videoPacketsDropped += videoPacketQueue.clear();
    videoWaitKey_.store(true);
  }
  if (videoWaitKey_.load()) {
    if (flag != E_VIDEO_FRAME_FLAG_I) {
      counters.videoPacketsDropped++;
      return;
    }
    videoWaitKey_.store(false);
  }
  auto node = std::make_unique<P2P_VideoNode_noDecode>(flag, width, height, fps, nTimeStamp,
                                                       length, data);
  node->codec = codecType;
  node->arrivalMs = steadyMs();
  videoPacketQueue.push(std::move(node));
  counters.videoPacketsQueued++;
  videoDecodeThread.gate.notify();
}

// ---- the record intake (device-link thread) ----

bool CameraMedia::recordTakes(const RecordFeed::Decision& d) {
  if (d.verdict == RecordFeed::Verdict::Take) return true;
  if (d.verdict == RecordFeed::Verdict::Overflow) {
    recordFeedOpen_.store(false);
    recordOverflow_.store(true);
    recordThread.gate.notify();
  }
  return false;
}

void CameraMedia::feedRecordVideo(int flag, int width, int height, int fps, uint64_t nTimeStamp,
                                  const uint8_t* data, uint32_t length, int codecType) {
  if (!recordFeedOpen_.load() || !data || length == 0) return;
  std::lock_guard<std::mutex> lock(recordFeedMutex_);
  const RecordFeed::Backlog backlog{recordThread.queuedBytes.load(),
                                    recordVideoQueue.size() + recordAudioQueue.size()};
  const RecordFeed::Decision d = recordFeed_.video(flag == E_VIDEO_FRAME_FLAG_I, length, backlog);
  if (!recordTakes(d)) return;
  auto node = std::make_unique<P2P_VideoNode_noDecode>(flag, width, height, fps, nTimeStamp, length, data);
  node->codec = codecType;
  node->recordSeq = d.seq;
  recordThread.queuedBytes += length;
  recordVideoQueue.push(std::move(node));
  recordThread.gate.notify();
}

void CameraMedia::feedRecordAudio(uint64_t nTimeStamp, const uint8_t* data, uint32_t length) {
  if (!recordFeedOpen_.load() || !data || length == 0 || length > uint32_t(kMaxAdtsPayload)) return;
  // The record file takes ADTS frames: the raw AAC frame behind its header.
  std::vector<uint8_t> adts(length + kAdtsHeaderBytes);
  write_adts_header(int(length), adts.data());
  std::copy(data, data + length, adts.begin() + kAdtsHeaderBytes);
  std::lock_guard<std::mutex> lock(recordFeedMutex_);
  const RecordFeed::Backlog backlog{recordThread.queuedBytes.load(),
                                    recordVideoQueue.size() + recordAudioQueue.size()};
  const RecordFeed::Decision d = recordFeed_.audio(adts.size(), backlog);
  if (!recordTakes(d)) return;
  auto node = std::make_unique<P2P_AudioNode_noDecode>(0, nTimeStamp, adts.data(), uint32_t(adts.size()));
  node->recordSeq = d.seq;
  recordThread.queuedBytes += adts.size();
  recordAudioQueue.push(std::move(node));
  recordThread.gate.notify();
}

void CameraMedia::beginRecordFeed() {
  std::lock_guard<std::mutex> lock(recordFeedMutex_);
  clear_recordVideoQueue();
  clear_recordAudioQueue();
  recordThread.queuedBytes.store(0);
  recordOverflow_.store(false);
  recordFeed_.begin();
  recordFeedOpen_.store(true);
}

void CameraMedia::endRecordFeed() {
  std::lock_guard<std::mutex> lock(recordFeedMutex_);
  recordFeed_.end();
  recordFeedOpen_.store(false);
}

void CameraMedia::avFrame(const AvFrame& f, PlayMode mode) {
  startOfPlay(mode, f.codec, f.fps);
  if (f.codec == E_CODECID_AUDIO_AAC) {
    intakeAudioFrame(f.timeStamp, f.payload, f.length);
  } else if (f.codec == E_CODECID_VIDEO_H264 || f.codec == E_CODECID_VIDEO_H265) {
    intakeVideoFrame(f.codec, f.flag, f.width, f.height, f.fps, f.timeStamp, f.payload, f.length);
  } else {
    qDebug() << "pAV_head->nFlag :" << f.flag << "pAV_head->nCodecType :" << f.codec;
  }
}

// ---- play control ----

void CameraMedia::startPlay(bool withAudio) {
  if (shutDown_.load()) return;
  // A run of the last play that is still ending is waited for, so none of
  // its packets or pictures reach this play.
  if (!videoDecodeThread.waitEnded(kRunEndWaitMs))
    qDebug() << deviceId << "video decode thread still busy at play start";
  beginPlay(withAudio);
}

void CameraMedia::beginPlay(bool withAudio) {
  clear_videoPacketQueue();
  clear_videoFrameQueue();
  videoWaitKey_.store(false);
  pacer_.reset();
  shownSize_.store(0);  // known again from this play's first present
  playSerial_++;
  playWithAudio_.store(withAudio);
  videoFirstFrame.store(false);
  videoDecodeThread.gate.open();
  isPlaying.store(true);
  if (CameraMediaEvents* e = events()) {
    e->sendStreamRequest(StreamRequest::VideoStart);
    if (withAudio) e->sendStreamRequest(StreamRequest::AudioStart);
  }
}

void CameraMedia::avideo_start_play() { startPlay(true); }

bool CameraMedia::linkLost() {
  bool fileOpen = false;
  {
    std::lock_guard<std::mutex> lock(mp4Mutex);
    fileOpen = mp4Writer != nullptr;
  }
  if (!isRecording.load() && !fileOpen) return false;
  qDebug() << deviceId << "link lost: the recording ends here";
  endRecordingForStop();
  recordAcrossLinkLoss_ = isPlaying.load();
  if (CameraMediaEvents* e = events()) e->recordLinkLost();
  return true;
}

bool CameraMedia::resumePlay() {
  if (shutDown_.load() || !isPlaying.load()) return false;
  // The decode threads of the play go on; what they still hold of the old
  // stream is dropped, and the sound no longer compares its new time stamps
  // (from the camera's zero again) with the old stream's last picture.
  clear_audioPacketQueue();
  clear_audioFrameQueue();
  audioPlayThread.videoTimeStamp.store(0);
  beginPlay(playWithAudio_.load());
  resumeRecording();
  return true;
}

void CameraMedia::resumeRecording() {
  if (!recordAcrossLinkLoss_) return;
  recordAcrossLinkLoss_ = false;
  if (isRecording.load()) return;  // the user started one meanwhile
  qDebug() << deviceId << "link back: the recording goes on into a new file";
  if (!record_start()) {
    recordFailureUntold_.store(true);
    if (CameraMediaEvents* e = events()) e->recordFailed(QStringLiteral("the next record file cannot be opened"));
    return;
  }
  qDebug() << recordFilePath() << "start record";
  if (CameraMediaEvents* e = events()) e->recordResumed();
}

void CameraMedia::video_start_play() { startPlay(false); }

void CameraMedia::endRecordingForStop() {
  recordAcrossLinkLoss_ = false;  // a stop ends a paused recording too
  finishRecording();  // a stop always leaves a finished file
}

void CameraMedia::avideo_stop_play() {
  videoDecodeThread.gate.requestStop();
  if (CameraMediaEvents* e = events()) e->sendStreamRequest(StreamRequest::VideoStop);
  audio_stop_play();
  endRecordingForStop();
  isPlaying.store(false);
  videoTimer.stop();
  videoFirstFrame.store(false);
  playSerial_++;
  qDebug() << "  videoTimer.stop";
  if (sdlRenderWnd) sdlRenderWnd->stop_render();
}

void CameraMedia::video_stop_play() {
  videoDecodeThread.gate.requestStop();
  if (CameraMediaEvents* e = events()) e->sendStreamRequest(StreamRequest::VideoStop);
  isPlaying.store(false);
  endRecordingForStop();
  videoTimer.stop();
  videoFirstFrame.store(false);
  playSerial_++;
  qDebug() << "  videoTimer.stop";
  if (sdlRenderWnd) sdlRenderWnd->stop_render();
}

bool CameraMedia::videoTimer_start_play(int ms, VideoRenderTarget* target) {
  // A start that arrives after its play was stopped starts nothing.
  if (shutDown_.load() || !isPlaying.load() || !videoFirstFrame.load()) return false;
  if (target) {
    sdlRenderWnd = target;
    target->start_render();
  }
  displayPeriodMs_ = ms;
  displayIdle_ = false;
  videoTimer.start(ms);
  return true;
}

void CameraMedia::pictureQueued() {
  // Only a display that sleeps for want of a picture is woken: one wake-up
  // per sleep, none per picture while it has pictures to show.
  if (!displayIdle_.exchange(false)) return;
  guiCalls_.post([this] {
    if (videoTimer.isActive()) videoTimer.start(0);
  });
}

void CameraMedia::videoTimerHandler() {
  const uint32_t serial = playSerial();
  // Pictures decoded for an earlier play are never shown.
  counters.picturesStale += videoFrameQueue.dropFrontWhile(
      [serial](const P2P_VideoNode_Decode& oldest, const P2P_VideoNode_Decode&, size_t) {
        return oldest.serial != serial;
      });
  const int64_t now = displayNowMs();
  videoFrameQueue.forEach(
      [this, now](const P2P_VideoNode_Decode& p) { pacer_.observe(p.nTimeStamp, p.readyMs, now); });
  size_t skipped = 0;
  std::unique_ptr<P2P_VideoNode_Decode> node = videoFrameQueue.takeNewestDue(
      [this, now](const P2P_VideoNode_Decode& p) { return pacer_.due(p.nTimeStamp, p.fps, now); },
      &skipped);
  counters.picturesSkipped += skipped;
  // It sleeps until the next waiting picture is due; with none waiting,
  // until the decode thread hands one over (device/display_backlog.h).
  int64_t nextDue = std::numeric_limits<int64_t>::max();
  videoFrameQueue.forEach([this, &nextDue](const P2P_VideoNode_Decode& p) {
    if (nextDue == std::numeric_limits<int64_t>::max()) nextDue = pacer_.dueAt(p.nTimeStamp, p.fps);
  });
  const size_t waiting = videoFrameQueue.size();
  const int sleep = displaySleepMs(waiting, nextDue, now, displayPeriodMs_);
  if (videoTimer.isActive() && videoTimer.interval() != sleep) videoTimer.setInterval(sleep);
  if (waiting == 0) {
    displayIdle_ = true;
    // A picture queued between the look and the flag would find the flag
    // clear and wake nobody: look once more.
    if (!videoFrameQueue.empty() && displayIdle_.exchange(false) && videoTimer.isActive()) videoTimer.start(0);
  }
  if (!node) return;
  if (node->serial != serial) {  // decoded for an earlier play after all (pushed just now)
    counters.picturesStale++;
    return;
  }
  audioPlayThread.videoTimeStamp.store(node->nTimeStamp);
  if (sdlRenderWnd && node->data) {
    sdlRenderWnd->PresentFrame(node->data.get(), node->width, node->height);
    counters.picturesPresented++;
    int w = 0, h = 0;
    sdlRenderWnd->shownPictureSize(&w, &h);
    setShownPictureSize(w, h);
    if (PresentLog* log = PresentLog::instance()) log->note(deviceId, node->arrivalMs, steadyMs(), skipped);
  }
}

void CameraMedia::setShownPictureSize(int width, int height) {
  const uint32_t w = uint32_t(std::clamp(width, 0, 0xFFFF)), h = uint32_t(std::clamp(height, 0, 0xFFFF));
  shownSize_.store(w << 16 | h);
}

void CameraMedia::shownPictureSize(int* width, int* height) const {
  const uint32_t v = shownSize_.load();
  *width = int(v >> 16);
  *height = int(v & 0xFFFF);
}

int CameraMedia::get_sdlRefreshTime_formFPS(int fps) {
  const int ms = sdlRefreshTimeForFps(fps);
  qDebug() << "time ms" << ms;
  return ms;
}

// ---- sound ----

void CameraMedia::audioPlay_init() {
  if (shutDown_.load() || !isPlaying.load() || !playWithAudio_.load() || !videoFirstFrame.load())
    return;  // queued from a play that has ended since
  if (audioOutput) return;  // this play's sound runs already
  QAudioFormat format;
  format.setCodec(QStringLiteral("audio/pcm"));
  format.setSampleRate(a_nSampleRate.load());
  format.setSampleSize(a_nSampleBits.load());
  format.setSampleType(QAudioFormat::SignedInt);  // the camera's PCM is signed 16-bit
  format.setChannelCount(a_nChn.load());
  format.setByteOrder(QAudioFormat::LittleEndian);
  if (!format.isValid()) {
    qDebug() << deviceId << "no sound: stream parameters not known";
    return;
  }
  if (!audioPlayThread.waitEnded(kRunEndWaitMs) || !audioDecodeThread.waitEnded(kRunEndWaitMs)) {
    qDebug() << deviceId << "no sound: the last play's sound threads are still running";
    return;
  }
  audioOutput = new QAudioOutput(format);
  audioIODevice = audioOutput->start();
  // Without a sound server start() fails at once and says so only here.
  if (!audioIODevice || audioOutput->error() != QAudio::NoError ||
      audioOutput->state() == QAudio::StoppedState) {
    qDebug() << deviceId << "no sound: audio output error" << audioOutput->error();
    releaseAudioOutput();
    return;
  }
  audioDecodeThread.gate.open();
  audioDecodeThread.launch(kRunEndWaitMs);
  if (CameraMediaEvents* e = events()) e->sendStreamRequest(StreamRequest::AudioStart);
  audioPlayThread.setOutput(audioOutput, audioIODevice);
  audioPlayThread.gate.open();
  audioPlayThread.launch(kRunEndWaitMs);
}

void CameraMedia::audio_stop_play() {
  audioPlayThread.gate.requestStop();
  if (CameraMediaEvents* e = events()) e->sendStreamRequest(StreamRequest::AudioStop);
  audioDecodeThread.gate.requestStop();
  releaseAudioOutput();
}

void CameraMedia::releaseAudioOutput() {
  if (!audioOutput) return;
  QAudioOutput* out = audioOutput;
  audioOutput = nullptr;
  audioIODevice = nullptr;
  audioPlayThread.gate.requestStop();
  if (audioPlayThread.join(1000)) {
    audioPlayThread.setOutput(nullptr, nullptr);
    out->stop();
    delete out;
    return;
  }
  // Still writing: the output goes once the thread has ended, never before.
  qDebug() << deviceId << "audio play thread busy: output released when it ends";
  auto done = std::make_shared<bool>(false);
  auto release = [out, done] {
    if (*done) return;
    *done = true;
    out->stop();
    out->deleteLater();
  };
  QObject::connect(&audioPlayThread, &QThread::finished, out, release);
  if (audioPlayThread.isFinished()) release();
}
