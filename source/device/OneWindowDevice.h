// oneWindowDevice: one camera of the signed-in account. It is at once the
// camera's tile in the device list (picture, name, connection badge,
// connecting animation) and the owner of the camera's live session: the
// fetch-infos look-up of its connection data, the device-link connection and
// the requests sent to the camera, the media session (CameraMedia: queues,
// four workers, display tick, sound, snapshot and record files) and its
// single-camera play view (wholeRenderWindow), made when the camera is
// first played in it: a list of many cameras makes no play view and no
// native window until one plays.
//
// Where the members live:
//   OneWindowDevice.cpp            construction, destruction, accessors
//   OneWindowDevice_tile.cpp       tile, badge, animation, picture refresh
//   OneWindowDevice_connect.cpp    connect timer, P2P_connect, requests, capability_init
//   OneWindowDevice_fetchinfos.cpp fetch-infos request and reply, thumbnail download
//   OneWindowDevice_play.cpp       play operations (widget steps), display tick start,
//                                  the play views' quality and record-file questions,
//                                  what the media session reports
//   event/p2p_callbacks.cpp        the two static device-link callbacks
//
// Threads. The object lives on the GUI thread; every public operation is
// for the GUI thread unless its comment says otherwise. The device link's
// threads reach a camera only through the two static callbacks, which find
// it in the camera registry (device/camera_registry.h) and hold the
// registry's lock while they use it; widgets are reached from there only by
// queued signals (videoTimer_start, oneWindow_device_gif_play_start,
// MainWindow::update_device_state ...). The media workers report through
// CameraMediaEvents, turned into queued signals here.
//
// Life (for whoever creates, plays and deletes cameras):
//   create   new oneWindowDevice(id, name, 1) on the GUI thread; the camera
//            registers itself for the callbacks and calls APP_init (the
//            library keeps the first call's callbacks, which serve every
//            camera). Then send_fetchInfo_instruct(): its answer starts the
//            connect timer; the connection reports drive the badge.
//   play     avideo_start_play() (single view: video and sound; the play
//            view shows itself in the play area on the first frame, or
//            earlier through showPlayView()) or video_start_play() (group
//            view: setRenderTarget(cell) first). A camera that is not
//            Online (10) waits: its view shows the connection badge and the
//            play starts at the first Online report, unless it was stopped
//            before (device/play_wait.h). The main window's playState says
//            where the first frame goes. A play that shows no new picture
//            for 5 s shows the "conecting" look on its view and tile until
//            the next picture (device/live_watch.h).
//   stop     avideo_stop_play() / video_stop_play(). A group that deletes
//            its cells stops the camera and calls setRenderTarget(nullptr)
//            first: the display tick draws into whatever target is set.
//   delete   `delete camera` or deleteLater() on the GUI thread, before the
//            main window goes. The destructor unregisters the camera (no
//            callback reaches it afterwards, also none still running),
//            ends its connection (APP_disconnect), then stops and waits for
//            all four workers before decoders, the MP4 writer and the sound
//            output are released. Stopping the play first is not required.
#pragma once

#include <QImage>
#include <QPixmap>
#include <QLabel>
#include <QMovie>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <atomic>
#include <functional>
#include <memory>

#include "Tessan.h"
#include "device/WholeRenderWindow.h"
#include "device/camera_media.h"
#include "device/camera_registry.h"
#include "device/connect_runner.h"
#include "device/link_watch.h"
#include "device/live_watch.h"
#include "device/play_view_camera.h"
#include "device/play_wait.h"
#include "http_command/call_retry.h"
#include "view/MyLabel.h"
#include "view/on_screen_movie.h"

class QNetworkReply;

// Video qualities of the quality request (270) and its answer (271).
enum E_VQUALITY {
  E_VQUALITY_HD = 1,
  E_VQUALITY_FHD = 5,
};

class oneWindowDevice : public QWidget,
                        public CameraMedia,
                        public PlayViewCamera,
                        private CameraMediaEvents {
  Q_OBJECT

 public:
  // `tileType`: the main window passes 1.
  oneWindowDevice(const QString& deviceId, const QString& name, int tileType);
  ~oneWindowDevice() override;

  // ---- accessors ----
  // A zero value also hides the connecting animation.
  void set_isPlaying(int playing);
  bool get_isPlaying() const { return isPlaying.load(); }
  void set_quadGroupName(const QString& name) { quadGroupName = name; }
  QString& get_quadGroupName() { return quadGroupName; }
  void set_videoQuality(int quality) { videoQuality = quality; }
  int get_videoQuality() const { return videoQuality; }
  // Device-link threads (the link mode of the last status report).
  void set_paramMode(int mode) { paramMode.store(mode); }
  int get_paramMode() const { return paramMode.load(); }
  int get_p2pState() const { return p2pState; }

  // ---- tile ----
  // A connection report (E_CONN_STATUS): badge, connect timer and p2pState
  // as device/connection_badge.h says. A link lost under the camera ends
  // its recording; when it comes back under a play that still runs, the
  // play asks for the streams again (device/link_watch.h).
  void update_p2pState(int state);
  // Reloads the tile picture from the camera's thumbnail file (while the
  // camera is in the main window's list), scaled to the picture label.
  Q_INVOKABLE void update_device_picture();
  // Hides and stops the connecting animation.
  void gif_play_stop();

  // ---- connection and requests (device/OneWindowDevice_connect.cpp) ----
  // Asks the connect runner for a connect (APP_setServInfo + APP_connect on
  // its thread, in turn with the other cameras) from the camera's cloud
  // records, and returns 0; its outcome arrives as connection reports.
  // Nothing is asked, and -1 returned, while the camera has no fetch-infos
  // record.
  int P2P_connect();
  // Out of the connect runner, then APP_disconnect; returns 0.
  int P2P_disconnect();
  void P2P_connect_ahead_Thread_timer_start();
  void P2P_connect_ahead_Thread_timer_stop();
  // kind 1: video, 0: audio; the APP_send result (0 for any other kind).
  int P2P_send_get_AVideoData(int kind);
  int P2P_send_stop_AVideoData(int kind);
  int P2P_send_change_Video_resolution_quality(int quality);
  // `command`: E_PTZ_CTRL (0 stop, 1-4 directions; 48, 49); `value` 1 for
  // a continuous move or a stop, 0 for one step.
  int P2P_send_pzt(int command, int value);
  // The PTZ overlay of the play view follows the camera's "ptz" capability.
  void capability_init();

  // ---- fetch-infos and thumbnail (device/OneWindowDevice_fetchinfos.cpp) ----
  // Posts the signed fetch-infos request to the camera's gateway; without
  // a device configuration for the camera it posts nothing (logged once).
  void send_fetchInfo_instruct();
  // GETs every http/https snapshotUrl of the camera's records.
  void send_download_instruct();

  // ---- play control (device/OneWindowDevice_play.cpp) ----
  // While the camera is Online (p2pState 10) the play starts; otherwise it
  // waits for Online (nothing is sent until then). A stop ends either.
  void avideo_start_play();  // single view: video and sound
  void video_start_play();   // group view: video only
  void avideo_stop_play();
  void video_stop_play();
  // A play was asked for and waits for the camera to come Online.
  bool playWaiting() const override { return playWait_.waiting() != PlayMode::None; }
  // A play runs or waits: what a click on a playing camera stops.
  bool playRequested() const override { return get_isPlaying() || playWaiting(); }
  // The single-camera view into the main window's play area, shown.
  void showPlayView();
  // The camera's own play view, made (bound to this camera) at the first
  // call; wholeRenderWindow stays null until then.
  WholeRenderWindow& ownPlayView();
  // One look at the running play's pictures (the live check timer's tick).
  void checkLive();
  // Monotonic milliseconds for the live check (tests inject their own).
  void setLiveClock(std::function<qint64()> nowMs) { liveClock_ = std::move(nowMs); }

  // ---- what its play views need (device/play_view_camera.h) ----
  bool playing() const override { return get_isPlaying(); }
  void startSinglePlay() override { avideo_start_play(); }
  void stopSinglePlay() override { avideo_stop_play(); }
  void stopKeepingThumbnail() override { requestThumbnailAndStop(); }
  QString groupName() const override { return quadGroupName; }
  int quality() const override { return videoQuality; }
  void changeQuality(int quality) override;
  void askSnapshot() override { requestSnapshot(); }
  bool withdrawSnapshot() override { return snapshotRequest.exchange(false); }
  SnapshotState snapshotProgress() const override { return snapshotState(); }
  bool recording() const override { return isRecording.load(); }
  QString recordPath() const override { return recordFilePath(); }
  bool startRecording() override { return record_start(); }
  bool stopRecording() override { return record_stop(); }
  bool takeRecordFailure() override { return takeRecordFailureNotice(); }
  bool recordFileOpen() override;
  void setSpeaker(bool on) override { setSpeakerOn(on); }
  void sendPtz(int command, int value) override { P2P_send_pzt(command, value); }
  WholeRenderWindow* ownView() const override { return wholeRenderWindow.get(); }
  PtzPadHost* ownPtzPadHost() const override { return wholeRenderWindow.get(); }

  // ---- device-link callbacks (event/p2p_callbacks.cpp) ----
  // Registered with APP_init; they run on the device link's threads.
  static int callback_P2P_PCB_RECV_MSG(const HCHAR* sn, HUINT32 nMsgType, HCHAR* pData,
                                       HUINT32 nDataLen, HCHAR* szName, HINT32 nFrameType,
                                       void* pMsgCtx);
  static int callback_P2P_PCB_RECV_AV(const HCHAR* sn, HCHAR* pFrame, HUINT32 nFrameLen,
                                      void* pAVCtx, HUCHAR nFrameType);
  // APP_init with the two callbacks (every camera calls it; the library
  // keeps the first call).
  static int APP_init_callbacks();
  // Device id -> camera for the callbacks (device/camera_registry.h).
  static DeviceRegistry<oneWindowDevice>& registry();
  // The cameras' connects, a few at a time off the GUI thread
  // (device/connect_runner.h).
  static ConnectRunner& connects();

  // The play mode of the play that runs (device-link threads read it):
  // Single for avideo_start_play, Group for video_start_play, None after a
  // stop.
  PlayMode playMode() const { return playMode_.load(); }

  // ---- members (CameraMedia adds deviceId, isPlaying, isRecording,
  // snapshotRequest, thumbnailRequest, videoFirstFrame, the queues, the
  // four workers, videoTimer, sdlRenderWnd, mp4Writer/mp4Mutex ...) ----
  QString quadGroupName;
  QLabel nameLabel;
  QLabel stateLabel;
  MyLabel pictureLabel;
  QImage pictureImage;
  QLabel gifLabel;
  QMovie gifMovie;
  OnScreenMovie gifShown{gifLabel, gifMovie};  // gifMovie runs only while on screen
  int tileType = 0;
  int p2pState = 0;                // last E_CONN_STATUS; GUI thread
  std::atomic<int> paramMode{0};   // nLinkMode of the last status report
  int videoQuality = E_VQUALITY_FHD;
  QTimer P2P_connect_ahead_Thread_timer;
  bool connectTimerActive = false;
  QString deviceName;
  std::unique_ptr<WholeRenderWindow> wholeRenderWindow;  // see ownPlayView

 signals:
  void oneWindow_device_gif_play_start();
  void oneWindow_device_gif_play_stop();
  void videoTimer_start(int ms);

 public slots:
  void fecthInfoManager_Handler(QNetworkReply* reply);
  void oneWindow_device_gif_play_start_Handler();
  void oneWindow_device_gif_play_stop_Handler();
  void P2P_connect_ahead_Thread_timer_Handler();
  void snapshotDownload_downLoadHttp_Handler(QNetworkReply* reply);
  void videoTimer_start_Handler(int ms);

 private:
  // CameraMediaEvents (see device/camera_media_events.h).
  void videoTimerStart(int ms) override;
  void gifPlayStart() override;
  void sendStreamRequest(StreamRequest request) override;
  void thumbnailSaved(bool ok, const QString& path) override;
  void deviceStopPlay() override;
  void recordPictureState(bool recording) override;
  void recordFailed(const QString& why) override;
  void recordLinkLost() override;
  void recordResumed() override;

  // The main window's save folders as they are now (the media session
  // reads them at every press, see CameraMedia::setSaveFolderSource).
  static SaveFolders currentSaveFolders();
  // Construction steps.
  void buildTile();
  // `file` into pictureImage (and tilePixmap_), scaled to the tile's
  // picture label; shared with every other list picture of that file.
  void loadTilePicture(const QString& file);
  void connectSignals();
  QString thumbnailFilePath() const;
  // What the main window's play area shows (playState), or without a main
  // window the camera's own play mode.
  int shownPlay() const;
  // A play may start only while the camera is Online; then the play mode
  // is noted for the callbacks.
  bool readyToPlay(PlayMode mode);
  // What a connection report means for the play and the recording.
  void followLink(int state);
  // The play view of `mode`: the camera's own, or the group cell it draws in.
  WholeRenderWindow* playView(PlayMode mode) const;
  // The tile's badge on the view of the waiting play.
  void showWaitingBadge();
  // The live check of a play that (re)started.
  void startLiveWatch();
  // No play runs or waits: the live check ends, the views show no badge.
  void clearPlayLooks();
  // The "conecting" look of a play whose picture is not live, and its end.
  void showNotLive();
  void clearNotLive();
  // Where the camera's next connect queues (device/connect_turns.h): ahead
  // while a play waits for it, then while it has not failed since it was
  // listed or last Online.
  ConnectTurns::Rank connectRank() const;
  // `reply` (of the account's shared manager) belongs to the camera and
  // goes to `handler` when it has finished.
  void answerTo(QNetworkReply* reply, void (oneWindowDevice::*handler)(QNetworkReply*));
  // One APP_send of a request (frame type 127, no name).
  int sendRequest(int msgType, const QByteArray& payload);

  struct Connection {
    const QObject* sender;
    const char* signal;
    const char* slot;
  };
  // The construction's connections; the destructor undoes exactly these.
  QList<Connection> connections() const;

  std::atomic<PlayMode> playMode_{PlayMode::None};
  LinkWatch linkWatch_;
  PlayWait playWait_;
  LiveWatch liveWatch_;
  QTimer liveCheckTimer_;
  std::function<qint64()> liveClock_;
  bool notLiveShown_ = false;
  CallRetry fetchInfosRetry_;
  bool noDevConfigLogged_ = false;
  bool noFetchInfosLogged_ = false;
  bool connectFailed_ = false;  // the last connect ended without Online
  bool ptzCapable_ = false;
  QPixmap tilePixmap_;  // pictureImage for the picture label  // the "ptz" capability, for a play view made later
};

// The first camera of `list` whose device id is `deviceId`, or null.
oneWindowDevice* find_oneWindowDevice(const QList<oneWindowDevice*>& list, const QString& deviceId);
