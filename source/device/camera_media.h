// One camera's live media session without any widget: the six queues, the
// four worker threads, the start/stop gates of a play, the display tick, the
// sound output, snapshots and thumbnails, and the record file with its
// restart. A recording is fed where the packets arrive (the intake), apart
// from decoding, drawing, the sound output and the speaker. The camera
// object (oneWindowDevice) owns one or derives from it, adds the widget
// steps, and turns the events (CameraMediaEvents) into queued signals.
//
// Threads:
//   device-link thread  startOfPlay(), intakeAudioFrame(), intakeVideoFrame(),
//                       avFrame() (never waits for the GUI thread);
//   GUI thread          everything else that is public (the play gates, the
//                       display tick, sound set-up and release, snapshot,
//                       thumbnail and record requests, settings);
//   workers             FFmpeg_VideoDecode_thread, FFmpeg_AudioDecode_thread,
//                       AudioPlay_Thread, FFmpeg_Avideo_record_thread: each
//                       is given the queues, the counters and the device id,
//                       and reaches the session only as its MediaWorkerHost
//                       (ffmpeg/media_worker_host.h; the members marked
//                       "host" below).
//
// Ownership: the session owns its queues, threads (each decode thread owns
// its decoder), the MP4 writer (every call under mp4Mutex) and the
// sound output (created and released on the GUI thread, released only after
// the play thread has ended). The render target is borrowed.
//
// Teardown: an owner whose events object dies before the session (a camera
// deriving from both) calls shutdown() first in its own destructor.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "device/AudioPlay_Thread.h"
#include "device/camera_media_events.h"
#include "device/display_backlog.h"
#include "device/display_pacer.h"
#include "device/gui_calls.h"
#include "device/record_feed.h"
#include "device/snapshot_state.h"
#include "device/video_render_target.h"
#include "ffmpeg/FFmpeg_AudioDecode_thread.h"
#include "ffmpeg/FFmpeg_Avideo_record_thread.h"
#include "ffmpeg/FFmpeg_VideoDecode_thread.h"
#include "ffmpeg/media_counters.h"
#include "ffmpeg/media_queue_bounds.h"
#include "ffmpeg/media_worker_host.h"
#include "p2p/av_frame.h"
#include "util_class/save_folders.h"
#include "p2p/camera_media_queues.h"

class QAudioOutput;
class QIODevice;

// The main window's playState as the A/V callback passes it.
enum class PlayMode { None = 0, Single = 1, Group = 2 };

class CameraMedia : public CameraMediaQueues, private MediaWorkerHost {
 public:
  CameraMedia(const QString& deviceId, const QString& deviceName,
              CameraMediaEvents* events = nullptr);
  virtual ~CameraMedia();
  CameraMedia(const CameraMedia&) = delete;
  CameraMedia& operator=(const CameraMedia&) = delete;

  void setEvents(CameraMediaEvents* events) { events_.store(events); }
  // Stops every worker and waits for it, releases the sound output, closes
  // an open record file. Idempotent; the destructor calls it too.
  void shutdown();

  // ---- settings (GUI thread) ----
  void setSaveFolders(const SaveFolders& folders);
  SaveFolders saveFolders() const;
  // Where the folders the settings hold now come from (the camera object:
  // the main window's members). Read on the GUI thread at every snapshot,
  // thumbnail and record press and at a record restart, so a folder chosen
  // meanwhile takes effect at once; without a source the folders are those
  // last set.
  void setSaveFolderSource(std::function<SaveFolders()> source);
  void refreshSaveFolders();
  QString deviceName() const;
  void setDeviceName(const QString& name);
  // E_MSG_DEV_PARAM_SET: six video values, then rate, bits, channels.
  void set_avideoParam(int v0, int v1, int v2, int v3, int v4, int v5, int sampleRate,
                       int sampleBits, int channels);
  // Seconds since the epoch: the record clock and the time in file names
  // (tests inject their own).
  void setClock(std::function<qint64()> nowSeconds);
  qint64 nowSeconds() const;

  // ---- device-link thread ----
  // The start of a play: on the first video frame after a play request the
  // decode thread starts, a single-camera play also gets its sound set up
  // (queued to the GUI thread), and the display interval comes from this
  // frame's fps. Audio frames start nothing.
  void startOfPlay(PlayMode mode, int codecType, int fps);
  // Queue a raw AAC frame / a video frame for decoding, while the consumer's
  // gate is open; while recording, the frame goes to the record file too
  // (from the file's first key frame on), whatever the decoding does.
  void intakeAudioFrame(uint64_t nTimeStamp, const uint8_t* data, uint32_t length);
  void intakeVideoFrame(int codecType, int nFlag, int width, int height, int fps,
                        uint64_t nTimeStamp, const uint8_t* data, uint32_t length);
  // startOfPlay, then the intake by codec (other codecs are logged and dropped).
  void avFrame(const AvFrame& frame, PlayMode mode);

  // ---- play control (GUI thread; the camera adds its widget steps and the
  // online check) ----
  void avideo_start_play();  // video and sound
  void video_start_play();   // video only (group view)
  void avideo_stop_play();
  void video_stop_play();
  // ---- the link to the camera broke and came back (GUI thread) ----
  // The link was lost: a running recording ends here, its file finished as
  // a stop leaves it (the camera's next stream starts its time stamps from
  // zero again, which one file cannot hold), and the user is told
  // (recordLinkLost). True when a recording ended.
  bool linkLost();
  // The link is back under a play that still runs: the camera is asked for
  // its streams again as the play's start asked (video, then sound when the
  // play has sound), and the next video frame is the first of a new play
  // (decode threads, display interval, render target). Nothing of the old
  // stream is shown or heard, and the sound waits for the new pictures'
  // time stamps. A recording that the link's loss ended goes on into a new
  // file (same naming rule; recordResumed), one that cannot be opened says
  // so (recordFailed). False (nothing sent) when no play runs.
  bool resumePlay();
  // The display tick's start (videoTimer_start_Handler without its widget
  // steps): starts videoTimer with `ms` unless the play has stopped since.
  // A non-null target becomes the render target first.
  bool videoTimer_start_play(int ms, VideoRenderTarget* target = nullptr);
  void setRenderTarget(VideoRenderTarget* target) { sdlRenderWnd = target; }
  // One display tick (videoTimerHandler): the newest picture of this play
  // that is due (display_pacer.h) goes to the render target and its time
  // stamp to the sound thread; the older ones waiting are skipped (a
  // loaded machine shows fewer pictures, never older ones). Then the
  // display sleeps until the next waiting picture is due, or, with none
  // waiting, until the decode thread queues one (display_backlog.h).
  void videoTimerHandler();
  // The size the render target shows pictures at (GUI thread, from the
  // target after each present; 0 x 0: not known) and as the decode thread
  // reads it to scale pictures to (host).
  void setShownPictureSize(int width, int height);
  void shownPictureSize(int* width, int* height) const override;
  // The display's clock in ms (steady; tests inject their own before a
  // play starts): decoded pictures are stamped with it (host) and paced by
  // it.
  void setDisplayClock(std::function<int64_t()> nowMs) { displayClock_ = std::move(nowMs); }
  int64_t displayNowMs() const override { return displayClock_(); }
  static int get_sdlRefreshTime_formFPS(int fps);

  // ---- sound (GUI thread) ----
  void audioPlay_init();
  void audio_stop_play();
  void setSpeakerOn(bool on) { audioPlayThread.speaker.store(on); }

  // ---- snapshot and thumbnail ----
  // GUI thread: the next successfully decoded picture is saved as a snapshot.
  void requestSnapshot();
  SnapshotState snapshotState() const { return snapshotState_.load(); }
  // GUI thread: the next decoded picture becomes the tile thumbnail, then
  // deviceStopPlay() is raised; when nothing decodes within fallbackMs the
  // stop is raised all the same.
  void requestThumbnailAndStop(int fallbackMs = 2000);
  // Video decode thread (host): a complete JPEG of the current picture.
  void save_vidoeImage_ToDisk(const unsigned char* jpeg, unsigned long length, int width,
                              int height) override;

  // ---- record files (GUI thread) ----
  // Opens a new record file (in the folders the settings hold now) and
  // starts the record thread; false (nothing left open) when the writer
  // could not open the file.
  bool record_start();
  // Ends the recording: what arrived before the stop is written, then the
  // file is finished. True only when a file with pictures was kept; false
  // when no file was open, no key frame came (no file is left), or the file
  // could not be written whole (what was written stays and plays).
  bool record_stop();
  // A recording that ended by itself on a failed write (recordFailed) and
  // was not told to the user yet; true once per failure.
  bool takeRecordFailureNotice() { return recordFailureUntold_.exchange(false); }
  QString recordFilePath() const;
  void record_recordTimeStamp_start();
  // The record thread ended (connected to its finished signal): opens the
  // next file when the time limit ended the last one and recording goes on.
  void avideo_record_thread_finished_Handler();

  // Path builders (create the folder; log as the camera's files do).
  void split_save_pictureImage_defaultPath(QString& path) const;
  void split_save_pictureImage_specifiedPath(QString& path) const;
  void split_save_videoImage_defaultPath(QString& path) const;
  void split_save_videoImage_specifiedPath(QString& path) const;
  void split_save_realtimeImage_specifiedPath(QString& path) const;

  // ---- state shared with the threads ----
  // Given to the workers by reference, so declared before them: they are
  // destroyed after the workers (whose destructors wait for their runs).
  const QString deviceId;
  MediaCounters counters;
  // Buffers of the decoded pictures (video decode thread and display tick),
  // emptied when the decode thread's run ends.
  const std::shared_ptr<PicturePool> picturePool = PicturePool::create(kKeptPictureBuffers);

  FFmpeg_VideoDecode_thread videoDecodeThread;
  FFmpeg_AudioDecode_thread audioDecodeThread;
  AudioPlay_Thread audioPlayThread;
  FFmpeg_Avideo_record_thread recordThread;

  void* mp4Writer = nullptr;     // under mp4Mutex
  std::mutex mp4Mutex;
  // Pictures written into the file that is open now (by the record thread,
  // under mp4Mutex).
  std::atomic<uint64_t> recordFileVideoPackets{0};

  std::atomic<qint64> recordStartTime{0};
  std::atomic<bool> recordRestart{false};
  std::atomic<bool> isRecording{false};
  std::atomic<bool> isPlaying{false};
  std::atomic<bool> snapshotRequest{false};
  // [0]: the next saved picture is the tile thumbnail; [1]: stop the camera
  // after it (set together by the play view's stop).
  std::array<std::atomic<bool>, 2> thumbnailRequest{};
  std::atomic<bool> videoFirstFrame{false};

  std::atomic<int> a_nSampleRate{0};
  std::atomic<int> a_nSampleBits{0};
  std::atomic<int> a_nChn{0};
  std::array<std::atomic<int>, 6> videoParams{};
  std::atomic<int> videoWidth{0};
  std::atomic<int> videoHeight{0};
  std::atomic<int> videoCodecType{0};
  std::atomic<int> audioCodecType{0};
  std::atomic<unsigned> lastVideoFps{0};

  QTimer videoTimer;                       // the display tick (GUI thread)
  VideoRenderTarget* sdlRenderWnd = nullptr;  // borrowed
  QAudioOutput* audioOutput = nullptr;     // GUI thread; see audio_stop_play
  QIODevice* audioIODevice = nullptr;

  // The play a decoded picture belongs to (bumped by every start and
  // stop; host).
  uint32_t playSerial() const override { return playSerial_.load(); }

  CameraMediaEvents* events() const { return events_.load(); }
  void setSnapshotState(SnapshotState s) { snapshotState_.store(s); }
  // Record thread (host): the record queues outgrew their bound (the
  // writer fell behind the camera).
  bool recordOverflowed() const override { return recordOverflow_.load(); }
  // Record thread (host): a write failed; the recording ends as a stop
  // ends it (nothing more is queued, the file is finished as far as it was
  // written) and recordFailed is raised.
  void recordWriteFailed(const QString& why) override;

  // Free picture buffers kept for the next pictures: as many as a play can
  // have at once (display_backlog.h: the waiting ones, the one shown, the
  // one being made), so none is ever made twice in a play.
  static constexpr size_t kKeptPictureBuffers = size_t(kBacklogFrames) + 3;

 private:
  // ---- the rest of the workers' host (ffmpeg/media_worker_host.h) ----
  bool takeSnapshotRequest() override { return snapshotRequest.exchange(false); }
  StreamParams streamParams() const override;
  void pcmQueued() override { audioPlayThread.gate.notify(); }
  void pictureQueued() override;
  qint64 recordFileSeconds() const override { return nowSeconds() - recordStartTime.load(); }
  void recordRestartDue() override { recordRestart.store(true); }
  RecordWriterAccess recordWriter() override {
    return RecordWriterAccess(mp4Mutex, mp4Writer, recordFileVideoPackets);
  }
  void recordPictureIdle() override;

  void startPlay(bool withAudio);
  // The start of a new play (also of a resumed one): queues and flags of
  // the last play reset, the decode gate open, the requests sent.
  void beginPlay(bool withAudio);
  void endRecordingForStop();
  // The recording the link's loss ended goes on into a new file (resumePlay).
  void resumeRecording();
  // The end of a recording on the GUI thread: the feed ends, the record
  // run writes what is queued and ends (waited for, bounded), the file is
  // finished. True when a file with pictures was kept.
  bool finishRecording();
  // True when a file with pictures was kept.
  bool closeRecordFile();
  bool openRecordFile();
  // The record intake (device-link thread) and its start and end.
  void feedRecordVideo(int flag, int width, int height, int fps, uint64_t nTimeStamp,
                       const uint8_t* data, uint32_t length, int codecType);
  void feedRecordAudio(uint64_t nTimeStamp, const uint8_t* data, uint32_t length);
  bool recordTakes(const RecordFeed::Decision& d);  // under recordFeedMutex_
  void beginRecordFeed();
  void endRecordFeed();
  void releaseAudioOutput();
  void runOnGuiThread(std::function<void()> f);

  QObject guiAnchor_;  // lives on the GUI thread: context of its timers' calls
  GuiCalls guiCalls_;  // calls from other threads to the GUI thread
  std::atomic<CameraMediaEvents*> events_;
  std::atomic<uint32_t> playSerial_{0};
  std::atomic<bool> playWithAudio_{false};
  std::atomic<bool> videoWaitKey_{false};  // after a backlog flush: drop until a key frame
  std::atomic<SnapshotState> snapshotState_{SnapshotState::None};
  std::atomic<bool> shutDown_{false};
  int displayPeriodMs_ = 35;  // the display tick's period for this play's stream (GUI thread)
  // The display sleeps with no picture to show; the next queued picture
  // wakes it (set on the GUI thread, taken by the decode thread).
  std::atomic<bool> displayIdle_{false};
  DisplayPacer pacer_;        // GUI thread
  std::function<int64_t()> displayClock_;
  std::atomic<uint32_t> shownSize_{0};  // width << 16 | height

  // The record intake: the feed's decisions and the queueing of a packet
  // happen under this lock, so a file's packets are numbered in the order
  // they were queued and none of an ended file reaches the next.
  std::mutex recordFeedMutex_;
  RecordFeed recordFeed_;
  std::atomic<bool> recordFeedOpen_{false};  // quick test before the lock
  std::atomic<bool> recordOverflow_{false};
  std::atomic<bool> recordFailureUntold_{false};
  // A recording the link's loss ended, to go on when the link comes back
  // under the same play (GUI thread).
  bool recordAcrossLinkLoss_ = false;

  mutable std::mutex settingsMutex_;
  SaveFolders folders_;
  std::function<SaveFolders()> folderSource_;
  QString deviceName_;
  QString recordPath_;
  std::function<qint64()> clock_;
};
