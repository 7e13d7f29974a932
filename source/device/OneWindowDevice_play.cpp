// oneWindowDevice: the play operations with their widget steps, the start
// of the display tick, and what the media session reports (turned into
// queued signals and requests).
#include <QDebug>
#include <QGridLayout>
#include <QMetaObject>

#include "device/OneWindowDevice.h"
#include "event/play_state.h"
#include "event/shell.h"

int oneWindowDevice::shownPlay() const {
  // Without a main window the camera's own play mode stands for it.
  return shell().present() ? shell().playAreaState() : int(playMode_.load());
}

bool oneWindowDevice::readyToPlay(PlayMode mode) {
  if (p2pState != E_CONN_STATUS_ONLINE) {
    // Never a blank view that plays nothing: it shows the badge and the
    // play starts once the camera is online.
    qDebug() << deviceId << "play start: not online, state" << p2pState
             << "- it starts once the camera is online";
    playWait_.wait(mode);
    showWaitingBadge();
    P2P_connect();  // the camera's next connect goes first
    return false;
  }
  playWait_.cancel();
  playMode_.store(mode);
  return true;
}

void oneWindowDevice::avideo_start_play() {
  // A waiting play shows its badge there.
  ownPlayView();
  if (!readyToPlay(PlayMode::Single)) return;
  CameraMedia::avideo_start_play();
  startLiveWatch();
}

void oneWindowDevice::video_start_play() {
  if (!readyToPlay(PlayMode::Group)) return;
  CameraMedia::video_start_play();
  startLiveWatch();
}

void oneWindowDevice::avideo_stop_play() {
  playWait_.cancel();
  clearPlayLooks();
  // A pad left showing while a key is held would leave the head moving.
  if (wholeRenderWindow) {
    PTZcontrolWindow& pad = wholeRenderWindow->ptzWindow;
    if (pad.isVisible())
      pad.hide_and_stop();
    else
      pad.hide();
  }
  CameraMedia::avideo_stop_play();
  gif_play_stop();
  emit oneWindow_device_gif_play_stop();
}

void oneWindowDevice::video_stop_play() {
  playWait_.cancel();
  clearPlayLooks();
  CameraMedia::video_stop_play();
  gif_play_stop();
}

void oneWindowDevice::followLink(int state) {
  const int shown = shownPlay();
  const bool waited = playWaiting();
  // A play asked for before the camera was online starts now, the way the
  // click would have started it.
  switch (playWait_.onReport(state, shown, sdlRenderWnd != nullptr)) {
    case PlayMode::Single:
      qDebug() << deviceId << "online: the play that waited starts";
      avideo_start_play();
      break;
    case PlayMode::Group:
      qDebug() << deviceId << "online: the play that waited starts";
      video_start_play();
      break;
    case PlayMode::None:
      if (playWaiting()) {
        showWaitingBadge();  // what the camera does meanwhile
      } else if (waited) {
        clearPlayLooks();  // its view is no longer shown: the wait just ends
      }
      break;
  }
  switch (linkWatch_.onReport(state)) {
    case LinkWatch::Event::Lost:
      // The record icon and badge go idle when the record thread has ended.
      linkLost();
      break;
    case LinkWatch::Event::Back: {
      const int playState = shownPlay();
      if (!playStillShown(playMode_.load(), isPlaying.load(), playState, sdlRenderWnd != nullptr))
        break;
      qDebug() << deviceId << "link back: asking for the streams again";
      if (resumePlay()) startLiveWatch();
      break;
    }
    case LinkWatch::Event::None: break;
  }
}

void oneWindowDevice::videoTimer_start_Handler(int ms) {
  const int state = shownPlay();
  if (state == E_MAINWINDOW_QUADWINDOW_PLAYING) {
    // The group item has made its grid cell the render target.
    videoTimer_start_play(ms);
    return;
  }
  if (state != E_MAINWINDOW_ONEWINDOW_PLAYING) return;
  SDLRenderWnd& view = ownPlayView().renderWnd;
  view.m_pDevice = this;
  // Nothing starts for a play that has ended since the first frame came.
  if (!videoTimer_start_play(ms, &view)) return;
  showPlayView();
}

void oneWindowDevice::showPlayView() {
  // Into the play area before it is shown: shown first, it opens for a moment
  // as a window of its own at the screen's corner, under the pointer, and the
  // PTZ pad would follow it there.
  WholeRenderWindow& view = ownPlayView();
  shell().showInPlayArea(&view);
  view.renderWnd.m_pDevice = this;
  view.show();
}

// ---- what the play views ask ----

void oneWindowDevice::changeQuality(int quality) {
  P2P_send_change_Video_resolution_quality(quality);
  set_videoQuality(quality);
}

bool oneWindowDevice::recordFileOpen() {
  std::lock_guard<std::mutex> lock(mp4Mutex);
  return mp4Writer != nullptr;
}

// ---- what the media session reports ----

void oneWindowDevice::videoTimerStart(int ms) { emit videoTimer_start(ms); }

void oneWindowDevice::gifPlayStart() { emit oneWindow_device_gif_play_start(); }

void oneWindowDevice::sendStreamRequest(StreamRequest request) {
  switch (request) {
    case StreamRequest::VideoStart: P2P_send_get_AVideoData(1); break;
    case StreamRequest::AudioStart: P2P_send_get_AVideoData(0); break;
    case StreamRequest::VideoStop: P2P_send_stop_AVideoData(1); break;
    case StreamRequest::AudioStop: P2P_send_stop_AVideoData(0); break;
  }
}

void oneWindowDevice::thumbnailSaved(bool ok, const QString& path) {
  (void)path;
  if (!ok) shell().notifyStoredFileRefused(StoredFileNotices::Notice::PictureNotStored);
  // The tile is a widget: refreshed on the GUI thread (dropped with the camera).
  QMetaObject::invokeMethod(this, "update_device_picture", Qt::QueuedConnection);
}

void oneWindowDevice::deviceStopPlay() {
  shell().notifyStopPlay(deviceId);
}

void oneWindowDevice::recordPictureState(bool recording) {
  shell().notifyRecordState(deviceId, recording);
}

void oneWindowDevice::recordLinkLost() {
  if (wholeRenderWindow) wholeRenderWindow->show_record_paused();
}

void oneWindowDevice::recordResumed() {
  if (wholeRenderWindow) wholeRenderWindow->show_record_resumed();
}

void oneWindowDevice::recordFailed(const QString& why) {
  (void)why;  // logged by the media session
  // The play view is a widget: told on the GUI thread (dropped with the camera).
  QMetaObject::invokeMethod(this, [this] { ownPlayView().show_record_failed(); },
                            Qt::QueuedConnection);
}
