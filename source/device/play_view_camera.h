// What a play view (device/WholeRenderWindow.h), its render widget and its
// PTZ pad need of the camera they show, and no more. The camera object
// implements it; a view holds it as a borrowed pointer and never reaches
// into the camera's queues, writer or locks.
//
// GUI thread only.
#pragma once

#include <QString>

#include "device/snapshot_state.h"

class PtzPadHost;
class WholeRenderWindow;

class PlayViewCamera {
 public:
  virtual ~PlayViewCamera() = default;

  // ---- play ----
  // A play runs.
  virtual bool playing() const = 0;
  // A play was asked for and waits for the camera to come Online.
  virtual bool playWaiting() const = 0;
  // A play runs or waits.
  virtual bool playRequested() const = 0;
  // The single view's play (video and sound), and its stop.
  virtual void startSinglePlay() = 0;
  virtual void stopSinglePlay() = 0;
  // The stop of a running play that first keeps its picture as the tile's
  // thumbnail.
  virtual void stopKeepingThumbnail() = 0;
  // The group the camera plays in ("" when none).
  virtual QString groupName() const = 0;

  // ---- quality (E_VQUALITY) ----
  virtual int quality() const = 0;
  // Asks the camera for `quality` and keeps it as the camera's.
  virtual void changeQuality(int quality) = 0;

  // ---- snapshot ----
  // The next decoded picture becomes a snapshot.
  virtual void askSnapshot() = 0;
  // True when a snapshot asked for has not been taken yet; the request is
  // withdrawn either way.
  virtual bool withdrawSnapshot() = 0;
  virtual SnapshotState snapshotProgress() const = 0;

  // ---- record ----
  virtual bool recording() const = 0;
  // The file of the running (or last) recording.
  virtual QString recordPath() const = 0;
  // False when no file could be started.
  virtual bool startRecording() = 0;
  // Ends the recording; false when the file was not kept.
  virtual bool stopRecording() = 0;
  // True once after the recording ended by itself on a failed write.
  virtual bool takeRecordFailure() = 0;
  // A record file is open.
  virtual bool recordFileOpen() = 0;

  // ---- sound and PTZ ----
  virtual void setSpeaker(bool on) = 0;
  // E_PTZ_CTRL `command`; `value` 1 continuous or stop, 0 one step.
  virtual void sendPtz(int command, int value) = 0;

  // The camera's own single-camera view, null until it was made; and the
  // same as what its render widget and PTZ pad ask of it.
  virtual WholeRenderWindow* ownView() const = 0;
  virtual PtzPadHost* ownPtzPadHost() const = 0;
};
