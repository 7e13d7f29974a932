// What a camera's media session tells the camera object. The session calls
// these on its own threads; the camera turns each into a queued signal (or
// an APP_send for the stream requests), so no worker and no device-link
// callback ever waits for the GUI thread.
#pragma once

#include <QString>
#include <QtGlobal>

// The stream requests a play sends to the camera (P2P_send_get_AVideoData /
// P2P_send_stop_AVideoData with kind 1 = video, 0 = audio).
enum class StreamRequest { VideoStart, AudioStart, VideoStop, AudioStop };

class CameraMediaEvents {
 public:
  virtual ~CameraMediaEvents() = default;

  // Device-link thread, first video frame of a play: start the display tick
  // with `ms` (videoTimer_start); the camera binds its render widget on the
  // GUI thread and then calls CameraMedia::videoTimer_start_play(ms), which
  // ignores a start whose play has ended since.
  virtual void videoTimerStart(int ms) { (void)ms; }
  // Device-link thread, first video frame of a single-camera play
  // (oneWindow_device_gif_play_start).
  virtual void gifPlayStart() {}

  // GUI thread: one request to send to the camera.
  virtual void sendStreamRequest(StreamRequest request) { (void)request; }

  // Video decode thread: a snapshot was saved (`ok`) or could not be.
  virtual void snapshotSaved(bool ok, const QString& path) { (void)ok, (void)path; }
  // Video decode thread: the tile thumbnail was written (or not); the tile
  // picture is to be reloaded on the GUI thread (update_device_picture).
  virtual void thumbnailSaved(bool ok, const QString& path) { (void)ok, (void)path; }
  // Video decode thread or GUI thread (fallback timer): the stop-time
  // thumbnail is done, stop this camera (MainWindow::device_stop_play).
  virtual void deviceStopPlay() {}

  // Record thread: the recording ended, the record icon goes idle
  // (device_change_record_picture_state with false).
  virtual void recordPictureState(bool recording) { (void)recording; }
  // Record thread: a write failed (`why`: the system's words), so the
  // recording ended by itself, its file finished as far as it was written;
  // the user is to be told (CameraMedia::takeRecordFailureNotice). Raised
  // before the recordPictureState(false) of the same run.
  virtual void recordFailed(const QString& why) { (void)why; }
  // GUI thread: the camera's link was lost under a recording, whose file
  // ended there; it goes on into a new file when the link comes back under
  // the same play (recordResumed), unless the play or the recording is
  // stopped meanwhile.
  virtual void recordLinkLost() {}
  // GUI thread: that new file began.
  virtual void recordResumed() {}
};
